#include "TThreadPriorityDlg.h"
#include "ToolHelp.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

struct ClassCase {
    uint32_t Written;
    QString Item;
    uint32_t Read;
};

class SelectedClass : public ::testing::TestWithParam<ClassCase> { };

TEST_P(SelectedClass, selectsItsItemAndReadsBackItsValue)
{
    TThreadPriorityDlg dialog(nullptr);
    dialog.SetSelectedClass(GetParam().Written);
    EXPECT_EQ(dialog.cbClass->currentText(), GetParam().Item);
    EXPECT_EQ(dialog.SelectedClass(), GetParam().Read);
}

INSTANTIATE_TEST_SUITE_P(PriorityDialog, SelectedClass,
    ::testing::Values(ClassCase { IDLE_PRIORITY_CLASS, "Idle", IDLE_PRIORITY_CLASS },
        ClassCase { NORMAL_PRIORITY_CLASS, "Normal", NORMAL_PRIORITY_CLASS },
        ClassCase { HIGH_PRIORITY_CLASS, "High", HIGH_PRIORITY_CLASS },
        ClassCase { REALTIME_PRIORITY_CLASS, "Real-Time", REALTIME_PRIORITY_CLASS },
        ClassCase { 0, "Normal", NORMAL_PRIORITY_CLASS },
        ClassCase { 0x4000, "Normal", NORMAL_PRIORITY_CLASS }));

TEST(PriorityDialog, theThreadBoxIsNeverFocusedNorSelected)
{
    TThreadPriorityDlg dialog(nullptr);
    EXPECT_EQ(dialog.SelectedClass(), NORMAL_PRIORITY_CLASS) << "no selection reads as Normal";
    EXPECT_EQ(dialog.windowTitle(), "Thread Priority of ");
    EXPECT_EQ(dialog.cbPriority->count(), 7);
    EXPECT_FALSE(dialog.cbPriority->isEnabled());

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

struct KeyCase {
    Qt::Key Choose; // pressed in the class box first; Key_unknown for none
    Qt::Key Close; // Key_unknown: the close box
    int Result;
    uint32_t Selected;
};

class PriorityKeys : public ::testing::TestWithParam<KeyCase> { };

TEST_P(PriorityKeys, enterIsOkAndEscapeCancels)
{
    const KeyCase& param = GetParam();
    TThreadPriorityDlg dialog(nullptr);
    dialog.SetSelectedClass(REALTIME_PRIORITY_CLASS);
    QTimer::singleShot(0, [&] {
        if (param.Choose != Qt::Key_unknown)
            QTest::keyClick(dialog.cbClass, param.Choose);
        if (param.Close == Qt::Key_unknown)
            dialog.close();
        else
            QTest::keyClick(dialog.cbClass, param.Close);
    });
    EXPECT_EQ(dialog.exec(), param.Result);
    EXPECT_EQ(dialog.SelectedClass(), param.Selected);
}

INSTANTIATE_TEST_SUITE_P(PriorityDialog, PriorityKeys,
    ::testing::Values(
        KeyCase { Qt::Key_unknown, Qt::Key_Return, QDialog::Accepted, REALTIME_PRIORITY_CLASS },
        KeyCase { Qt::Key_Home, Qt::Key_Enter, QDialog::Accepted, IDLE_PRIORITY_CLASS },
        KeyCase { Qt::Key_Up, Qt::Key_Escape, QDialog::Rejected, HIGH_PRIORITY_CLASS },
        KeyCase { Qt::Key_unknown, Qt::Key_unknown, QDialog::Rejected, REALTIME_PRIORITY_CLASS }));

} // namespace
