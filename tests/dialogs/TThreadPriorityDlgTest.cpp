#include "dialogs/TThreadPriorityDlg.h"
#include "platform/proc/Priority.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

// Opening on the process's class, Idle by key, Return and Escape are the main window's command
// test's, on a real process.
TEST(PriorityDialog, namesTheClassesUnknownAsNormalAndTabsPastTheThreadBox)
{
    TThreadPriorityDlg dialog(nullptr);
    const std::pair<uint32_t, const char*> shown[] = { { REALTIME_PRIORITY_CLASS, "Real-Time" },
        { HIGH_PRIORITY_CLASS, "High" }, { 0x4000, "Normal" } };
    for (const auto& [set, name] : shown) {
        dialog.SetSelectedClass(set);
        EXPECT_EQ(dialog.cbClass->currentText(), name);
    }
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(QApplication::focusWidget(), dialog.cbClass);
    std::vector<QWidget*> visited;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(visited, (std::vector<QWidget*> { dialog.Button1, dialog.Button2, dialog.cbClass }));
    QTest::mouseClick(dialog.cbPriority, Qt::LeftButton);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "a click opens no list";
    EXPECT_EQ(dialog.cbPriority->currentIndex(), -1);
}

} // namespace
