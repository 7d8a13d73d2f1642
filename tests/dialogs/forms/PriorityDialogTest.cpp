#include "TThreadPriorityDlg.h"
#include "ToolHelp.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

// The class the dialog opens with, a key pressed in the class box (Key_unknown: none), the key
// that closes it (Key_unknown: the close box), and what it then shows, returns and gives.
struct KeyCase {
    uint32_t Set;
    Qt::Key Choose;
    Qt::Key Close;
    const char* Shown;
    int Result;
    uint32_t Selected;
};

TEST(PriorityDialog, opensOnTheGivenClassAndGivesTheOneChosenByKey)
{
    const KeyCase cases[] = {
        { IDLE_PRIORITY_CLASS, Qt::Key_unknown, Qt::Key_Return, "Idle", QDialog::Accepted,
            IDLE_PRIORITY_CLASS },
        { 0x4000, Qt::Key_unknown, Qt::Key_Enter, "Normal", QDialog::Accepted,
            NORMAL_PRIORITY_CLASS },
        { 0, Qt::Key_Down, Qt::Key_Return, "High", QDialog::Accepted, HIGH_PRIORITY_CLASS },
        { REALTIME_PRIORITY_CLASS, Qt::Key_Home, Qt::Key_Enter, "Idle", QDialog::Accepted,
            IDLE_PRIORITY_CLASS },
        { HIGH_PRIORITY_CLASS, Qt::Key_Up, Qt::Key_Escape, "Normal", QDialog::Rejected,
            NORMAL_PRIORITY_CLASS },
        { REALTIME_PRIORITY_CLASS, Qt::Key_unknown, Qt::Key_unknown, "Real-Time", QDialog::Rejected,
            REALTIME_PRIORITY_CLASS },
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.Shown);
        TThreadPriorityDlg dialog(nullptr);
        dialog.SetSelectedClass(c.Set);
        QTimer::singleShot(0, [&] {
            if (c.Choose != Qt::Key_unknown)
                QTest::keyClick(dialog.cbClass, c.Choose);
            EXPECT_EQ(dialog.cbClass->currentText(), c.Shown);
            if (c.Close == Qt::Key_unknown)
                dialog.close();
            else
                QTest::keyClick(dialog.cbClass, c.Close);
        });
        EXPECT_EQ(dialog.exec(), c.Result);
        EXPECT_EQ(dialog.SelectedClass(), c.Selected);
    }
}

TEST(PriorityDialog, theThreadBoxIsNeverFocusedNorSelected)
{
    TThreadPriorityDlg dialog(nullptr);
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
    EXPECT_EQ(dialog.cbPriority->currentIndex(), -1);
}

} // namespace
