#include "ConfigHome.h"
#include "ExtListView.h"
#include "FakeSystem.h"
#include "HeapListDlg.h"
#include "Main.h"
#include "ShowWarnings.h"
#include "TMessageBox.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

const QString NoTarget = "First, select a process and a heap block to display.";
const QString Warning
    = "Enumerating every memory allocation in a heap can be very\ntime consuming "
      "in memory-intensive applications.  Do not\nbe surprised if it takes a "
      "few minutes with some heap blocks.\n\nAre you certain you want to do this?";

class HeapListCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TMessageBox::SetAnswerHook([this](const TMessageRequest& request) {
            Boxes.push_back(request.Caption + ": " + request.Text);
            return Answer;
        });
        System.AddProcess(100, "/usr/bin/Alpha");
        System.AddProcess(300, "[kthreadd]");
        System.Heaps[100] = { { 100, 0x5555000, HF32_DEFAULT }, { 100, 0x7f0000000000, 0 } };
        Window = std::make_unique<TSDIAppForm>(System, Shell);
        Window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    }
    void TearDown() override { TMessageBox::SetAnswerHook({}); }

    void DoubleClickHeapRow(int row)
    {
        TExtListView& list = *Window->HeapListList;
        const QRect rect = row >= 0 ? list.visualRect(list.model()->index(row, 0))
                                    : QRect(QPoint(5, list.viewport()->height() - 10), QSize());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, rect.center());
    }

    // Runs a command; any heap list dialog it opens is described and closed with Escape.
    QStringList Opened(const std::function<void()>& command)
    {
        QStringList opened;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<THeapListDlg*>(QApplication::activeModalWidget())) {
                opened << dialog->windowTitle();
                Dialogs << dialog;
                EXPECT_EQ(dialog->parent(), Window.get());
                QTest::keyClick(dialog->HeapList, Qt::Key_Escape);
            }
        });
        watch.start(10);
        command();
        return opened;
    }

    ConfigHome Home;
    FakeSnapshotService System;
    FakeShellInfo Shell;
    std::unique_ptr<TSDIAppForm> Window;
    QStringList Boxes;
    TModalResult Answer = TModalResult::mrYes;
    QList<QPointer<THeapListDlg>> Dialogs;
};

TEST_F(HeapListCommandTest, opensTheFocusedHeapsBlocksNamedAfterProcessAndHeap)
{
    const QString caption = "Heap List for alpha (HID: $00007F0000000000)";
    EXPECT_EQ(Opened([&] { DoubleClickHeapRow(1); }), QStringList { caption });
    EXPECT_EQ(Boxes, QStringList { "Warning: " + Warning });
    SetShowWarnings(false);
    Window->activateWindow(); // back from the dialog, for the window's shortcuts
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    EXPECT_EQ(Opened([&] { QTest::keyClick(Window->ProcessList, Qt::Key_H, Qt::ControlModifier); }),
        QStringList { caption });
    EXPECT_EQ(Boxes.size(), 1);
    EXPECT_EQ(Opened([&] { Window->HeapListItem->trigger(); }), QStringList { caption });
    ASSERT_EQ(Dialogs.size(), 3);
    for (const QPointer<THeapListDlg>& dialog : Dialogs)
        EXPECT_TRUE(dialog.isNull()) << "freed once closed";
}

TEST_F(HeapListCommandTest, aDeclinedWarningOpensNothing)
{
    Answer = TModalResult::mrNo;
    EXPECT_TRUE(Opened([&] { DoubleClickHeapRow(0); }).isEmpty());
    EXPECT_EQ(Boxes, QStringList { "Warning: " + Warning });
}

TEST_F(HeapListCommandTest, withoutAFocusedProcessOrHeapRowADoubleClickShowsTheError)
{
    // A process without heaps: its heap list has no row to focus.
    QTest::keyClick(Window->ProcessList, Qt::Key_Down);
    ASSERT_EQ(Window->HeapListList->ItemCount(), 0);
    EXPECT_TRUE(Opened([&] { DoubleClickHeapRow(-1); }).isEmpty());
    QTest::keyClick(Window->ProcessList, Qt::Key_Up);
    Window->ProcessList->SetItemFocused(-1);
    ASSERT_EQ(Window->HeapListList->ItemCount(), 0) << "the details went with the focus";
    EXPECT_TRUE(Opened([&] { DoubleClickHeapRow(-1); }).isEmpty());
    EXPECT_EQ(Boxes, QStringList({ "Error: " + NoTarget, "Error: " + NoTarget }));
}

}
