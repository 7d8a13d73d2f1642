#pragma once

#include "ConfigHome.h"
#include "FakeSystem.h"
#include "HeapListDlg.h"
#include "Main.h"
#include "TMessageBox.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace quorvane::testing {

// A list's rows as "caption | sub-item | ..." lines, for comparing whole lists at once.
inline QStringList RowsOf(const TListView& list)
{
    QStringList rows;
    for (int row = 0; row < list.ItemCount(); ++row)
        rows
            << (QStringList { list.Caption(row) } + list.SubItems(row)).join(QStringLiteral(" | "));
    return rows;
}

inline quint64 FocusedData(const TListView& list)
{
    return list.ItemFocused() >= 0 ? list.Data(list.ItemFocused()) : 0;
}

// The main window on a system of a chosen shape, its message boxes answered and recorded.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TMessageBox::SetAnswerHook([this](const TMessageRequest& request) {
            Boxes.push_back(request);
            return Answer;
        });
        System.AddProcess(100, "/usr/bin/Alpha");
        System.AddProcess(200, "/opt/Beta Tool/BETA", 13, 4);
        System.AddProcess(300, "[kthreadd]", 8, 1);
        System.Threads[100] = { { 101, 100, 8, 0 }, { 102, 100, 8, -2 } };
        System.Threads[200] = { { 201, 200, 13, 15 }, { 202, 200, 13, 0 } };
        System.Heaps[100] = { { 100, 0x5555000, HF32_DEFAULT }, { 100, 0x7f0000000000, 0 } };
        System.Heaps[200] = { { 200, 0x6666000, HF32_DEFAULT } };
    }
    // The window goes while boxes are still answered: a failing store speaks up at exit.
    void TearDown() override
    {
        Window.reset();
        TMessageBox::SetAnswerHook({});
    }

    TSDIAppForm& Open() { return Open(System); }
    TSDIAppForm& Open(SnapshotService& system)
    {
        Window = std::make_unique<TSDIAppForm>(system, Shell);
        Window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
        return *Window;
    }

    static void ClickRow(TListView& list, int row)
    {
        const QRect rect = list.visualRect(list.model()->index(row, 0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rect.center());
    }

    void PressKey(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(Window->ProcessList, Qt::Key(key), modifiers);
    }

    void DoubleClickHeapRow(int row)
    {
        TExtListView& list = *Window->HeapListList;
        const QRect rect = row >= 0 ? list.visualRect(list.model()->index(row, 0))
                                    : QRect(QPoint(5, list.viewport()->height() - 10), QSize());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, rect.center());
    }

    // Runs a command; any heap list dialog it opens is described and closed with Escape.
    QStringList OpenedHeapLists(const std::function<void()>& command)
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

    QStringList Said() const
    {
        QStringList said;
        for (const TMessageRequest& box : Boxes)
            said << box.Caption + ": " + box.Text;
        return said;
    }

    int ProcessSnapshots() { return System.SnapshotsTaken[TH32CS_SNAPPROCESS]; }

    ConfigHome Home;
    FakeSnapshotService System;
    FakeShellInfo Shell;
    std::unique_ptr<TSDIAppForm> Window;
    std::vector<TMessageRequest> Boxes;
    TModalResult Answer = TModalResult::mrOk; // not a yes: a heap list asked for stays shut
    QList<QPointer<THeapListDlg>> Dialogs;
};

} // namespace quorvane::testing
