#include "app/DesktopShellInfo.h"
#include "app/Main.h"
#include "dialogs/HeapListDlg.h"
#include "dialogs/TThreadPriorityDlg.h"
#include "dialogs/TfrmAbout.h"
#include "platform/snapshot/LinuxSnapshotService.h"
#include "tests/support/DesktopData.h"

#include <QAccessible>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

// What a screen reader announces by name, unnamed, and how many such controls there were. Lists
// and combo boxes are not entered: their rows speak their texts.
void CollectUnnamed(QAccessibleInterface* node, QStringList& unnamed, int& seen)
{
    using A = QAccessible;
    const A::Role role = node->role();
    const bool container
        = role == A::List || role == A::Table || role == A::Tree || role == A::ComboBox;
    const A::Role named[] = { A::PushButton, A::CheckBox, A::RadioButton, A::MenuItem, A::PopupMenu,
        A::EditableText, A::SpinBox, A::Slider, A::PageTab, A::Dialog };
    if (container || std::find(std::begin(named), std::end(named), role) != std::end(named)) {
        ++seen;
        if (node->text(A::Name).trimmed().isEmpty())
            unnamed << QStringLiteral("%1 (role %2)")
                           .arg(node->object() ? node->object()->objectName() : QString())
                           .arg(int(role));
    }
    for (int i = 0; !container && i < node->childCount(); ++i) {
        if (QAccessibleInterface* child = node->child(i))
            CollectUnnamed(child, unnamed, seen);
    }
}

// On this machine's own processes, with desktop entries and icons of the test's own.
TEST(AccessibilityTest, everyControlOfTheMainWindowAndItsDialogsHasANameAndEveryMenuItemItsKey)
{
    LinuxSnapshotService system;
    const DesktopData desktop;
    DesktopShellInfo shell;
    TSDIAppForm window(system, shell);
    THeapListDlg heapList(system);
    TThreadPriorityDlg priority(nullptr);
    priority.setWindowTitle(QStringLiteral("Thread Priority of alpha"));
    TfrmAbout about(nullptr);
    // four lists, three buttons, three menus with their eight items; in a dialog, two at least
    const std::pair<QWidget*, int> windows[]
        = { { &window, 4 + 3 + 3 + 8 }, { &heapList, 2 }, { &priority, 2 }, { &about, 2 } };
    for (const auto& [shown, least] : windows) {
        SCOPED_TRACE(shown->metaObject()->className());
        shown->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(shown));
        QStringList unnamed;
        int seen = 0;
        CollectUnnamed(QAccessible::queryAccessibleInterface(shown), unnamed, seen);
        EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();
        EXPECT_GE(seen, least);
        shown->hide();
    }
    // The tool buttons never take the focus; the menus hold every command, each with its key.
    for (QAction* menu : window.MainMenu->actions()) {
        EXPECT_TRUE(menu->text().contains(QLatin1Char('&'))) << menu->text().toStdString();
        for (QAction* item : menu->menu()->actions())
            EXPECT_TRUE(item->isSeparator() || item->text().contains(QLatin1Char('&')))
                << item->text().toStdString();
    }
}

} // namespace
