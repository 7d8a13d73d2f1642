#include "ConfigHome.h"
#include "FakeSystem.h"
#include "HeapListDlg.h"
#include "Main.h"
#include "TThreadPriorityDlg.h"
#include "TfrmAbout.h"

#include <QAccessible>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// Roles a screen reader announces by name. Lists are not entered: their rows speak their texts.
bool NeedsName(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::MenuItem:
    case QAccessible::PopupMenu:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::PageTab:
    case QAccessible::Dialog:
        return true;
    default:
        return false;
    }
}

void CollectUnnamed(QAccessibleInterface* node, QStringList& unnamed, int& seen)
{
    const QAccessible::Role role = node->role();
    const bool separator = role == QAccessible::Separator;
    if (NeedsName(role) && !separator) {
        ++seen;
        if (node->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QStringLiteral("%1 (role %2)")
                           .arg(node->object() ? node->object()->objectName() : QString())
                           .arg(int(role));
    }
    // A combo box's popup list speaks its items, as a list does.
    if (role == QAccessible::List || role == QAccessible::Table || role == QAccessible::Tree
        || role == QAccessible::ComboBox)
        return;
    for (int i = 0; i < node->childCount(); ++i) {
        if (QAccessibleInterface* child = node->child(i))
            CollectUnnamed(child, unnamed, seen);
    }
}

QString Spoken(QString text)
{
    return text.remove(QLatin1Char('&'));
}

class AccessibilityTest : public ::testing::Test {
protected:
    ConfigHome Home;
    FakeSnapshotService System;
    FakeShellInfo Shell;
};

TEST_F(AccessibilityTest, everyListButtonMenuAndMenuItemOfTheMainWindowHasAName)
{
    System.AddProcess(100, "/usr/bin/Alpha");
    TSDIAppForm window(System, Shell);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QStringList unnamed;
    int seen = 0;
    CollectUnnamed(QAccessible::queryAccessibleInterface(&window), unnamed, seen);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();
    // four lists, three buttons, three menus with their eight items
    EXPECT_GE(seen, 4 + 3 + 3 + 8);
}

TEST_F(AccessibilityTest, everyControlOfTheDialogsHasAName)
{
    THeapListDlg heapList(System);
    TThreadPriorityDlg priority(nullptr);
    priority.setWindowTitle(QStringLiteral("Thread Priority of alpha"));
    TfrmAbout about(nullptr);
    for (QWidget* dialog : std::initializer_list<QWidget*> { &heapList, &priority, &about }) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        QStringList unnamed;
        int seen = 0;
        CollectUnnamed(QAccessible::queryAccessibleInterface(dialog), unnamed, seen);
        EXPECT_TRUE(unnamed.isEmpty()) << dialog->metaObject()->className() << ": "
                                       << unnamed.join(QStringLiteral(", ")).toStdString();
        EXPECT_GE(seen, 2) << dialog->metaObject()->className();
        dialog->hide();
    }
}

TEST_F(AccessibilityTest, everyCommandIsReachableFromTheKeyboard)
{
    TSDIAppForm window(System, Shell);
    QStringList menuCommands;
    for (QAction* menu : window.MainMenu->actions()) {
        EXPECT_TRUE(menu->text().contains(QLatin1Char('&'))) << menu->text().toStdString();
        for (QAction* item : menu->menu()->actions()) {
            if (item->isSeparator())
                continue;
            EXPECT_TRUE(item->text().contains(QLatin1Char('&'))) << item->text().toStdString();
            menuCommands << Spoken(item->text());
        }
    }
    // The tool buttons never take the focus; each has its menu item.
    for (QToolButton* button : window.SpeedPanel->findChildren<QToolButton*>())
        EXPECT_TRUE(menuCommands.contains(button->accessibleName()))
            << button->objectName().toStdString();
}

} // namespace
