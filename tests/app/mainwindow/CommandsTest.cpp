// The commands on the focused process, run through the main window against real children.
#include "ChildProcess.h"
#include "LinuxSnapshotService.h"
#include "ModalAnswer.h"
#include "ProcessProbe.h"
#include "ShowWarnings.h"
#include "TThreadPriorityDlg.h"
#include "TfrmAbout.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QToolButton>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

struct Child : ChildProcess {
    explicit Child(int threads)
        : ChildProcess(SNAPSHOT_CHILD, { std::to_string(threads) })
    {
        EXPECT_EQ(ReadLine(), "ready");
    }
};

class Commands : public MainWindowTest {
protected:
    // Brings the process's row into view and clicks it.
    void Focus(pid_t pid)
    {
        TListView& list = *Window->ProcessList;
        const int row = list.FindData(quint64(pid));
        ASSERT_GE(row, 0);
        list.scrollTo(list.model()->index(row, 0));
        ClickRow(list, row);
        ASSERT_EQ(FocusedData(list), quint64(pid));
    }

    LinuxSnapshotService Real; // the fixture's window goes first, in TearDown
};

struct TerminateCase {
    const char* Name;
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
    TSDIAppForm& window = Open(Real);
    Focus(child.Pid());

    if (param.ByButton)
        QTest::mouseClick(window.KillBtn, Qt::LeftButton);
    else
        PressKey(Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(Boxes.size(), param.ShowWarnings ? 1u : 0u);
    EXPECT_EQ(ChildRuns(child.Pid()), !param.Ends);
    // Ended but not reaped by us, its parent: a zombie, which the refresh no longer lists.
    EXPECT_EQ(window.ProcessList->FindData(quint64(child.Pid())) >= 0, !param.Ends);
}

INSTANTIATE_TEST_SUITE_P(Commands, Terminate,
    ::testing::Values(TerminateCase { "Confirmed", true, TModalResult::mrYes, false, true },
        TerminateCase { "Declined", true, TModalResult::mrNo, true, false },
        TerminateCase { "WithoutWarnings", false, TModalResult::mrNo, true, true }),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Commands, aProcessWhoseIdentifierWasReusedIsNotTouched)
{
    Child child(1);
    System.ActOnRealProcesses = true;
    // The list saw an earlier process under the child's identifier.
    const uint32_t pid = uint32_t(child.Pid());
    System.AddProcess(pid, "/bin/earlier").startTime = StartTimeOf(child.Pid()) - 1;
    System.Threads[pid] = { { pid, pid, 8, 0 } };
    Open();
    Answer = TModalResult::mrYes;
    Focus(child.Pid());
    const int refreshes = ProcessSnapshots();
    PressKey(Qt::Key_K, Qt::ControlModifier);
    EXPECT_TRUE(ChildRuns(child.Pid()));
    EXPECT_EQ(Said().last(), "Error: Could not retrieve handle for selected process.");
    EXPECT_EQ(ProcessSnapshots(), refreshes + 1) << "refreshed all the same";

    // Change Thread Priority cannot open it either: its error ends the command.
    PressKey(Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(Said().last(), "Quorvane: Could not get process handle.");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

struct PriorityCase {
    const char* Name;
    Qt::Key Choose; // in the class box
    Qt::Key Close;
    bool Unprivileged;
    int Nice; // of every thread afterwards
};

class ChangePriority : public Commands, public ::testing::WithParamInterface<PriorityCase> { };

TEST_P(ChangePriority, appliesTheChosenClassToTheProcessAndRefillsItsThreads)
{
    const PriorityCase& param = GetParam();
    if (param.Unprivileged && MayRaiseUnprivileged())
        GTEST_SKIP() << "the resource limits here let anyone raise priority";
    SetShowWarnings(false);
    Child child(4);
    TSDIAppForm& window = Open(Real);
    Focus(child.Pid());

    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TThreadPriorityDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown << dialog->windowTitle() << dialog->cbClass->currentText();
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
    const QString name = window.ProcessList->Caption(window.ProcessList->ItemFocused());
    EXPECT_EQ(shown, QStringList({ "Thread Priority of " + name, "Normal" }));
    EXPECT_EQ(Said(),
        param.Unprivileged ? QStringList { "Error: SetPriorityClass failed." } : QStringList {});
    EXPECT_EQ(ThreadStates(child.Pid()), std::vector<ThreadState>(4, { SCHED_OTHER, param.Nice }));
    if (param.Nice == 19) {
        EXPECT_TRUE(RowsOf(*window.ThreadList).first().contains("| 4+0 : Idle")) << "refilled";
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, ChangePriority,
    ::testing::Values(PriorityCase { "Idle", Qt::Key_Home, Qt::Key_Return, false, 19 },
        PriorityCase { "HighRefused", Qt::Key_Down, Qt::Key_Return, true, 0 },
        PriorityCase { "Cancelled", Qt::Key_Home, Qt::Key_Escape, false, 0 }),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Commands, f1ShowsTheAboutBox)
{
    TSDIAppForm& window = Open();
    const ModalAnswer about(
        "quorvane::TfrmAbout", [](QWidget& form) { QTest::keyClick(&form, Qt::Key_Return); });
    QTest::keyClick(&window, Qt::Key_F1);
    EXPECT_TRUE(about.Answered());
}

} // namespace
