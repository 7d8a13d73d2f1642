#include "ChildProcess.h"
#include "ConfigHome.h"
#include "FakeSystem.h"
#include "LinuxSnapshotService.h"
#include "ListRows.h"
#include "Main.h"
#include "ProcessProbe.h"
#include "ShowWarnings.h"
#include "TMessageBox.h"
#include "TThreadPriorityDlg.h"
#include "TfrmAbout.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// The system as it is, counting the snapshots the window takes.
class CountingService : public LinuxSnapshotService {
public:
    std::map<uint32_t, int> Taken;
    std::unique_ptr<ToolhelpSnapshot> CreateToolhelp32Snapshot(
        uint32_t flags, uint32_t processId) override
    {
        ++Taken[flags];
        return LinuxSnapshotService::CreateToolhelp32Snapshot(flags, processId);
    }
};

struct Child : ChildProcess {
    explicit Child(int threads)
        : ChildProcess(SNAPSHOT_CHILD, { std::to_string(threads) })
    {
        EXPECT_EQ(ReadLine(), "ready");
    }
};

class Commands : public ::testing::Test {
protected:
    void SetUp() override
    {
        TMessageBox::SetAnswerHook([this](const TMessageRequest& request) {
            Boxes << (request.Caption + ": " + request.Text);
            return Answer;
        });
    }
    void TearDown() override { TMessageBox::SetAnswerHook({}); }

    TSDIAppForm& Open(SnapshotService& system)
    {
        Window = std::make_unique<TSDIAppForm>(system, Shell);
        Window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
        return *Window;
    }

    // Brings the process's row into view and clicks it.
    void Focus(pid_t pid)
    {
        TListView& list = *Window->ProcessList;
        const int row = list.FindData(quint64(pid));
        ASSERT_GE(row, 0);
        list.scrollTo(list.model()->index(row, 0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
            list.visualRect(list.model()->index(row, 0)).center());
        ASSERT_EQ(FocusedData(list), quint64(pid));
    }

    void PressKey(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(Window->ProcessList, Qt::Key(key), modifiers);
    }

    ConfigHome Home;
    CountingService System;
    FakeShellInfo Shell;
    std::unique_ptr<TSDIAppForm> Window;
    QStringList Boxes;
    TModalResult Answer = TModalResult::mrYes;
};

const QString TerminateBox
    = "Confirm: TerminateProcess can leave the system in an unstable state.\nYou should only use "
      "it as a last resort.\n\nAre you sure you want to continue?";

struct TerminateCase {
    bool ShowWarnings;
    TModalResult Answer;
    bool ByButton; // the tool button, else Ctrl+K
    bool Ends;
};

class Terminate : public Commands, public ::testing::WithParamInterface<TerminateCase> { };

TEST_P(Terminate, endsTheFocusedProcessOnlyWhenConfirmedAndRefreshesAfter)
{
    const TerminateCase& param = GetParam();
    SetShowWarnings(param.ShowWarnings);
    Answer = param.Answer;
    Child child(2);
    TSDIAppForm& window = Open(System);
    Focus(child.Pid());
    const int refreshes = System.Taken[TH32CS_SNAPPROCESS];

    if (param.ByButton)
        QTest::mouseClick(window.KillBtn, Qt::LeftButton);
    else
        PressKey(Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(Boxes, param.ShowWarnings ? QStringList { TerminateBox } : QStringList {});
    EXPECT_EQ(ChildRuns(child.Pid()), !param.Ends);
    // Ended but not reaped by us, its parent: a zombie, which is no longer listed.
    EXPECT_EQ(window.ProcessList->FindData(quint64(child.Pid())) >= 0, !param.Ends);
    EXPECT_EQ(System.Taken[TH32CS_SNAPPROCESS], refreshes + (param.Ends ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(Commands, Terminate,
    ::testing::Values(TerminateCase { true, TModalResult::mrYes, false, true },
        TerminateCase { true, TModalResult::mrNo, true, false },
        TerminateCase { false, TModalResult::mrNo, true, true }));

TEST_F(Commands, aProcessWhoseIdentifierWasReusedIsNotTouched)
{
    Child child(1);
    FakeSnapshotService fake;
    fake.ActOnRealProcesses = true;
    // The list saw an earlier process under the child's identifier.
    fake.AddProcess(uint32_t(child.Pid()), "/bin/earlier").startTime = StartTimeOf(child.Pid()) - 1;
    fake.Threads[uint32_t(child.Pid())]
        = { { uint32_t(child.Pid()), uint32_t(child.Pid()), 8, 0 } };
    Open(fake);
    const int refreshes = fake.SnapshotsTaken[TH32CS_SNAPPROCESS];
    PressKey(Qt::Key_K, Qt::ControlModifier);
    EXPECT_TRUE(ChildRuns(child.Pid()));
    EXPECT_EQ(Boxes,
        QStringList({ TerminateBox, "Error: Could not retrieve handle for selected process." }));
    EXPECT_EQ(fake.SnapshotsTaken[TH32CS_SNAPPROCESS], refreshes + 1) << "refreshed all the same";

    // Change Thread Priority cannot open it either: its error ends the command.
    PressKey(Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(Boxes.last(), "Quorvane: Could not get process handle.");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    Window.reset(); // before the service it was given
}

struct PriorityCase {
    Qt::Key Choose; // in the class box; Key_unknown for none
    Qt::Key Close;
    bool Unprivileged;
    int Nice; // of every thread afterwards
    bool Refilled;
    QString Error;
};

class ChangePriority : public Commands, public ::testing::WithParamInterface<PriorityCase> { };

TEST_P(ChangePriority, appliesTheChosenClassToTheProcessAndRefillsItsThreads)
{
    const PriorityCase& param = GetParam();
    if (param.Unprivileged && MayRaiseUnprivileged())
        GTEST_SKIP() << "the resource limits here let anyone raise priority";
    SetShowWarnings(false);
    Child child(4);
    TSDIAppForm& window = Open(System);
    Focus(child.Pid());
    const int refills = System.Taken[TH32CS_SNAPTHREAD];

    QString caption;
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TThreadPriorityDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        caption = dialog->windowTitle();
        shown = dialog->cbClass->currentText();
        if (param.Choose != Qt::Key_unknown)
            QTest::keyClick(dialog->cbClass, param.Choose);
        QTest::keyClick(dialog->cbClass, param.Close);
    });
    {
        std::optional<WithoutNiceCapability> unprivileged;
        if (param.Unprivileged)
            unprivileged.emplace();
        // The thread list's double-click runs the command.
        const QRect row = window.ThreadList->visualRect(window.ThreadList->model()->index(0, 0));
        QTest::mouseDClick(window.ThreadList->viewport(), Qt::LeftButton, {}, row.center());
    }
    EXPECT_EQ(caption,
        "Thread Priority of " + window.ProcessList->Caption(window.ProcessList->ItemFocused()));
    EXPECT_EQ(shown, "Normal");
    EXPECT_EQ(Boxes, param.Error.isEmpty() ? QStringList {} : QStringList { param.Error });
    EXPECT_EQ(ThreadStates(child.Pid()), std::vector<ThreadState>(4, { SCHED_OTHER, param.Nice }));
    EXPECT_EQ(System.Taken[TH32CS_SNAPTHREAD], refills + (param.Refilled ? 1 : 0));
    if (param.Nice == 19) {
        EXPECT_TRUE(RowsOf(*window.ThreadList).first().contains("| 4+0 : Idle"));
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, ChangePriority,
    ::testing::Values(PriorityCase { Qt::Key_Home, Qt::Key_Return, false, 19, true, "" },
        PriorityCase {
            Qt::Key_Down, Qt::Key_Return, true, 0, true, "Error: SetPriorityClass failed." },
        PriorityCase {
            Qt::Key_End, Qt::Key_Return, true, 0, true, "Error: SetPriorityClass failed." },
        PriorityCase { Qt::Key_unknown, Qt::Key_Return, false, 0, true, "" },
        PriorityCase { Qt::Key_Home, Qt::Key_Escape, false, 0, false, "" }));

TEST_F(Commands, helpAboutShowsTheDesignedTexts)
{
    FakeSnapshotService fake;
    TSDIAppForm& window = Open(fake);
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        seen << form->windowTitle() << form->lblApp->text() << form->lblVendor->text();
        QTest::keyClick(form, Qt::Key_Return);
    });
    QTest::keyClick(&window, Qt::Key_F1);
    EXPECT_EQ(seen, QStringList({ "About Quorvane", "Quorvane v0.98", "Brindlewick Software" }));
    Window.reset(); // before the service it was given
}

} // namespace
