// The main window on a system of a chosen shape, and its commands on real children it lists.
#include "app/Main.h"
#include "app/DesktopShellInfo.h"
#include "app/ShowWarnings.h"
#include "controls/split/ToxQuadSplit.h"
#include "dialogs/HeapListDlg.h"
#include "dialogs/TThreadPriorityDlg.h"
#include "platform/snapshot/LinuxSnapshotService.h"
#include "settings/TRegIniFile.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ConfigHome.h"
#include "tests/support/DesktopData.h"
#include "tests/support/FakeSnapshotService.h"
#include "tests/support/HeaderGestures.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/ProcessProbe.h"
#include "toolkit/EAbort.h"
#include "toolkit/TApplication.h"
#include "toolkit/TMessageBox.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// A list's rows as "caption | sub-item | ..." lines, for comparing whole lists at once.
QStringList RowsOf(const TListView& list)
{
    QStringList rows;
    for (int row = 0; row < list.ItemCount(); ++row)
        rows
            << (QStringList { list.Caption(row) } + list.SubItems(row)).join(QStringLiteral(" | "));
    return rows;
}

quint64 FocusedData(const TListView& list)
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

    // Row -1 stands for no row: a corner of the list.
    static QPoint RowCenter(const TListView& list, int row)
    {
        return list.visualRect(list.model()->index(row, 0)).center();
    }
    static void ClickRow(TListView& list, int row)
    {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, RowCenter(list, row));
    }
    static void DoubleClickRow(TListView& list, int row)
    {
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, RowCenter(list, row));
    }

    void PressKey(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(Window->ProcessList, Qt::Key(key), modifiers);
    }

    // Runs a command; a heap list dialog it opens is described and closed with Escape.
    QStringList OpenedHeapLists(const std::function<void()>& command)
    {
        QStringList opened;
        const ModalAnswer answer("quorvane::THeapListDlg", [&](QWidget& dialog) {
            opened << dialog.windowTitle();
            Dialogs << static_cast<THeapListDlg*>(&dialog);
            EXPECT_EQ(dialog.parentWidget(), Window.get());
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
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
    DesktopData Desktop;
    FakeSnapshotService System;
    DesktopShellInfo Shell;
    std::unique_ptr<TSDIAppForm> Window;
    std::vector<TMessageRequest> Boxes;
    TModalResult Answer = TModalResult::mrOk; // not a yes: a heap list asked for stays shut
    QList<QPointer<THeapListDlg>> Dialogs;
};

TEST_F(MainWindowTest, firstStartShowsTheFirstProcessWithItsDetails)
{
    // A real file at the path gives the type column its text.
    System.AddProcess(400, QCoreApplication::applicationFilePath().toStdString());
    TSDIAppForm& window = Open();
    EXPECT_EQ(window.ProcessList->SubItems(3).at(3), "64-Bit");
    // Details are filled for a row once it is both selected and focused: the first one here.
    EXPECT_EQ(RowsOf(*window.ThreadList),
        QStringList({ "$00000065 | 8+0 : Normal, Normal", "$00000066 | 8-2 : Normal, Lowest" }));
    EXPECT_EQ(RowsOf(*window.HeapListList),
        QStringList({ "$0000000005555000 | Default", "$00007F0000000000 | Normal" }));
}

TEST_F(MainWindowTest, processRowsSpellEachValueAsItIsNowInEveryFill)
{
    // Texts many rows share are made once a fill, and rows of unchanged processes are taken over
    // from the last fill: every value must still read as its own, and every change must show.
    System.Processes.clear();
    System.AddProcess(0xFFFFFFFF,
        "/x/\xc3\x84"
        "BC Tool",
        4, 0);
    System.AddProcess(0x00ABCDEF, "NoSlash", 24, 4095);
    System.AddProcess(7, "[kworker/0:1-EVENTS]", 7, 4096);
    System.AddProcess(8, "/bin/A", -3, 70000);
    System.AddProcess(9, "/bin/B", 4, 4095);
    QStringList expected { "\u00c4bc tool | $FFFFFFFF | 4 (Idle) | 0 |  | /x/\u00c4BC Tool",
        "noslash | $00ABCDEF | 24 (Real Time) | 4095 |  | NoSlash",
        "[kworker/0:1-events] | $00000007 | 7 (Unknown) | 4096 |  | [kworker/0:1-EVENTS]",
        "a | $00000008 | -3 (Unknown) | 70000 |  | /bin/A",
        "b | $00000009 | 4 (Idle) | 4095 |  | /bin/B" };
    TSDIAppForm& window = Open();
    EXPECT_EQ(RowsOf(*window.ProcessList), expected);

    System.Processes[0].cntThreads = 9;
    System.Processes[1].pcPriClassBase = 13;
    System.Processes[2].szExeFile = "/usr/sbin/Reborn"; // the same process ran another program
    System.Processes.pop_back(); // B ended
    System.AddProcess(500, "/usr/bin/New");
    window.FillProcessList();
    expected[0].replace(" | 0 | ", " | 9 | ");
    expected[1] = "noslash | $00ABCDEF | 13 (High) | 4095 |  | NoSlash";
    expected[2] = "reborn | $00000007 | 7 (Unknown) | 4096 |  | /usr/sbin/Reborn";
    expected[4] = "new | $000001F4 | 8 (Normal) | 1 |  | /usr/bin/New";
    EXPECT_EQ(RowsOf(*window.ProcessList), expected);
}

TEST_F(MainWindowTest, onlyTheActivationBeforeTheFirstFrameSkipsItsRefresh)
{
    // The creation has just filled the list; an activation that arrives before the window was
    // ever on screen would fill it again for nothing. Any other change still refreshes.
    for (const bool onScreen : { false, true }) {
        SCOPED_TRACE(onScreen ? "gained once on screen" : "gained before the first frame");
        System.SnapshotsTaken.clear();
        Window = std::make_unique<TSDIAppForm>(System, Shell);
        if (onScreen) {
            Window->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
            System.SnapshotsTaken.clear(); // whatever the real activation did
            ++System.SnapshotsTaken[TH32CS_SNAPPROCESS];
        }
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        EXPECT_EQ(ProcessSnapshots(), onScreen ? 2 : 1);
        emit qApp->applicationStateChanged(Qt::ApplicationInactive); // refreshes in every case
        EXPECT_EQ(ProcessSnapshots(), onScreen ? 3 : 2);
        Window.reset();
    }
}

TEST_F(MainWindowTest, refreshKeepsTheFocusedProcessElseFallsBackToTheFirstRow)
{
    TSDIAppForm& window = Open();
    ASSERT_EQ(FocusedData(*window.ProcessList), 100u);
    std::swap(System.Processes[0], System.Processes[2]);
    PressKey(Qt::Key_F5);
    EXPECT_EQ(FocusedData(*window.ProcessList), 100u);
    EXPECT_TRUE(window.ProcessList->IsSelected(window.ProcessList->ItemFocused()));

    // Gone: the first row takes the focus, and the details follow.
    System.Processes.erase(System.Processes.begin() + 2);
    PressKey(Qt::Key_F5);
    EXPECT_EQ(window.ProcessList->ItemFocused(), 0);
    EXPECT_EQ(window.ProcessList->Selected(), 0);
    EXPECT_EQ(window.ThreadList->ItemCount(), 0) << "[kthreadd] stands first, without threads";
}

TEST_F(MainWindowTest,
    processShortcutsActOnlyWhileTheirItemsApplyToTheFocusedRowsWhichKeepTheirIdentifiers)
{
    TSDIAppForm& window = Open();
    QAction* const items[]
        = { window.TerminateProcessItem, window.HeapListItem, window.ChangeThreadPriorityItem };
    std::vector<int> acted(3);
    for (int i = 0; i < 3; ++i)
        QObject::connect(items[i], &QAction::triggered, [&acted, i] { ++acted[i]; });
    const auto pressAll = [&] {
        for (const Qt::Key key : { Qt::Key_K, Qt::Key_H, Qt::Key_T })
            PressKey(key, Qt::ControlModifier);
    };

    // Process 200 has no thread or heap with the focused identifiers: no row is focused there.
    ClickRow(*window.ThreadList, 1);
    ClickRow(*window.ProcessList, 1);
    pressAll();
    EXPECT_EQ(acted, std::vector<int>({ 1, 0, 0 }));

    // A list with no focused row takes its first one at the next fill.
    ClickRow(*window.ProcessList, 0);
    pressAll();
    EXPECT_EQ(acted, std::vector<int>({ 2, 1, 1 }));
}

TEST_F(MainWindowTest,
    heapListOpensTheFocusedHeapOnceTheWarningIsAnsweredOrOffAndWithoutOneShowsTheError)
{
    TSDIAppForm& window = Open();
    const auto openSecond = [&] { DoubleClickRow(*window.HeapListList, 1); };
    Answer = TModalResult::mrNo;
    EXPECT_TRUE(OpenedHeapLists(openSecond).isEmpty());
    Answer = TModalResult::mrYes;
    const QStringList caption { "Heap List for alpha (HID: $00007F0000000000)" };
    EXPECT_EQ(OpenedHeapLists(openSecond), caption);
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Type, TMsgDlgType::mtWarning);
    SetShowWarnings(false); // Ctrl+H runs the same command: the shortcut table shows it
    EXPECT_EQ(OpenedHeapLists(openSecond), caption);
    EXPECT_EQ(Boxes.size(), 2u) << "no warning once they are off";
    ASSERT_EQ(Dialogs.size(), 2);
    for (const QPointer<THeapListDlg>& dialog : Dialogs)
        EXPECT_TRUE(dialog.isNull()) << "freed once closed";

    SetShowWarnings(true);
    Boxes.clear();
    PressKey(Qt::Key_End); // [kthreadd] has no heaps
    ASSERT_EQ(window.HeapListList->ItemCount(), 0);
    EXPECT_TRUE(OpenedHeapLists([&] { DoubleClickRow(*window.HeapListList, -1); }).isEmpty());
    EXPECT_EQ(
        Said(), QStringList { "Error: First, select a process and a heap block to display." });
}

TEST_F(MainWindowTest, anErrorInARefreshIsShownWithOneFinalFullStopAndNoSnapshotIsNoError)
{
    TSDIAppForm& window = Open();
    const std::pair<std::function<void()>, QString> errors[] = {
        { [] { throw std::runtime_error(" Walk failed\nhere "); }, " Walk failed\nhere ." },
        { [] { throw std::runtime_error("Already ends."); }, "Already ends." },
        { [] { throw EAbort("Unable to retrieve window placement"); }, "" }, // EAbort is silent
    };
    for (const auto& [error, text] : errors) {
        Boxes.clear();
        System.OnSnapshot = error;
        PressKey(Qt::Key_F5);
        EXPECT_EQ(Said(), text.isEmpty() ? QStringList {} : QStringList { "Quorvane: " + text });
        for (const TMessageRequest& box : Boxes)
            EXPECT_EQ(box.Type, TMsgDlgType::mtError);
    }
    System.OnSnapshot = nullptr;
    PressKey(Qt::Key_F5);
    EXPECT_EQ(window.ProcessList->ItemCount(), 3);

    // No snapshot at all is no error: every list is empty.
    System.Refuse = true;
    PressKey(Qt::Key_F5);
    EXPECT_EQ(window.ProcessList->ItemCount(), 0);
    EXPECT_EQ(window.ThreadList->ItemCount(), 0);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainWindowTest, toolButtonsRunTheirCommandsAndNoActivationRefreshesOnceQuitting)
{
    // A request to quit is never taken back: tests make it only in a child of their own.
    ASSERT_FALSE(TApplication::Instance()->Terminated()) << "a test asked to quit in the suite";
    TSDIAppForm& window = Open();
    const int before = ProcessSnapshots();
    QTest::mouseClick(window.OpenBtn, Qt::LeftButton);
    EXPECT_EQ(ProcessSnapshots(), before + 1);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            QTest::mouseClick(window.ExitBtn, Qt::LeftButton);
            const int quitting = ProcessSnapshots();
            emit qApp->applicationStateChanged(Qt::ApplicationInactive);
            std::_Exit(!window.isVisible() && TApplication::Instance()->Terminated()
                        && ProcessSnapshots() == quitting
                    ? 0
                    : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(MainWindowTest, processIconsAreSharedAndAddedOnce)
{
    Desktop.WriteIcon(QStringLiteral("alpha-tool"));
    Desktop.WriteEntry(
        QStringLiteral("alpha"), QStringLiteral("/usr/bin/Alpha"), QStringLiteral("alpha-tool"));
    System.AddProcess(500, "/opt/delta");
    TSDIAppForm& window = Open();
    const auto image = [&](uint32_t pid) {
        return window.ProcessList->ImageIndex(window.ProcessList->FindData(pid));
    };
    // Alpha's own, then the generic icon of the two files the desktop does not know; a kernel
    // thread has no file. No generic icon: are Qt's SVG plugins installed?
    EXPECT_EQ((std::vector { image(100), image(200), image(500), image(300) }),
        (std::vector { 0, 1, 1, -1 }));
    PressKey(Qt::Key_F5);
    EXPECT_EQ(window.ImageList.Count(), 2);
}

// Handles and heap identifiers are "$" and 16 digits here: their columns start wide enough for
// the whole text, until the user gives them a width of their own.
TEST_F(MainWindowTest, columnsAndShowWarningsComeBackAtTheNextStartAndStoredBarsAreCutToTheWindow)
{
    System.Heaps[100].push_back({ 100, 0xDDDDDDDDDDDDDDDD, 0 });
    TSDIAppForm& first = Open();
    const TExtListView& heaps = *first.HeapListList;
    ASSERT_EQ(heaps.ItemCount(), 3);
    EXPECT_LE(
        static_cast<const QAbstractItemView&>(heaps).sizeHintForColumn(0), heaps.columnWidth(0))
        << "the widest value is cut";
    EXPECT_TRUE(first.ShowWarningsItem->isChecked()) << "an empty store means warnings on";
    first.ShowWarningsItem->trigger();
    DragHeaderEdge(*first.ProcessList->header(), 1, 48);
    DragHeaderToFront(*first.ModuleList->header(), 2);
    DragHeaderEdge(*first.HeapListList->header(), 0, -40);
    ASSERT_EQ(first.ProcessList->header()->sectionSize(1), 123) << "a 32-bit identifier's 75";
    const int stored = first.HeapListList->columnWidth(0);
    Window.reset();
    {
        const TRegIniFile store(QStringLiteral("Software\\Brindlewick\\Quorvane"));
        store.WriteNumber("Splitter", "X", 5000);
        store.WriteNumber("Splitter", "Y", -30);
    }

    TSDIAppForm& second = Open();
    EXPECT_FALSE(second.ShowWarningsItem->isChecked());
    EXPECT_EQ(second.ProcessList->header()->sectionSize(1), 123);
    EXPECT_EQ(second.ModuleList->header()->visualIndex(2), 0);
    EXPECT_EQ(second.HeapListList->columnWidth(0), stored);
    const int limit = second.QuadSplit->MaxBarPosition().x();
    EXPECT_EQ(second.QuadSplit->BarPosition().X(), limit);
    EXPECT_EQ(second.QuadSplit->BarPosition().Y(), 0);
    Window.reset();
    const TRegIniFile store(QStringLiteral("Software\\Brindlewick\\Quorvane"));
    EXPECT_EQ(store.ReadNumber("Splitter", "X", -1), limit);
    EXPECT_EQ(store.ReadNumber("Splitter", "Y", -1), 0);
}

TEST_F(MainWindowTest, refreshSortsAgainByTheLastClickedColumn)
{
    TSDIAppForm& window = Open();
    ClickHeader(*window.ProcessList->header(), 1);
    ClickHeader(*window.ProcessList->header(), 1);
    ASSERT_EQ(window.ProcessList->Data(0), 300u) << "second click sorts descending";
    System.AddProcess(250, "/bin/new");
    PressKey(Qt::Key_F5);
    EXPECT_EQ(RowsOf(*window.ProcessList).at(1).left(6), "new | ") << "Resort keeps the direction";
}

TEST_F(MainWindowTest, theShowWarningsClickTurnsOverTheStoreAndEveryRefusedWriteIsReported)
{
    TSDIAppForm& window = Open();
    SetShowWarnings(false); // behind the window's back: the mark catches up at the next click
    window.ShowWarningsItem->trigger();
    EXPECT_TRUE(window.ShowWarningsItem->isChecked());
    EXPECT_TRUE(GetShowWarnings());

    // From here on the store reads its defaults and refuses every write.
    Home.WriteUserHive("");
    qputenv("XDG_CONFIG_HOME", (Home.UserHive() + "/below-a-file").toLocal8Bit());
    // Chosen in the open menu by its underlined letter: under Qt 6.8 a press that a test sends
    // to an open menu offscreen closes the menu first (a real click under X chooses the item).
    window.ProcessMenu->popup(window.mapToGlobal(QPoint(40, 40)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.ProcessMenu));
    QTest::keyClick(window.ProcessMenu, Qt::Key_S);
    EXPECT_EQ(Said(), QStringList { "Quorvane: Failed to create key Options." });
    EXPECT_TRUE(window.ShowWarningsItem->isChecked());
    Window.reset();
    EXPECT_EQ(Said().count("Quorvane: Failed to create key Columns."), 4) << "one for each list";
}

TEST_F(MainWindowTest, theLastColumnFillsItsListOnceAndIsThenTheUsers)
{
    TSDIAppForm& window = Open();
    QHeaderView* threads = window.ThreadList->header();
    const int filled = threads->sectionSize(1);
    EXPECT_EQ(threads->sectionViewportPosition(1) + filled, window.ThreadList->viewport()->width());
    DragHeaderEdge(*threads, 1, -30);
    window.resize(window.width() - 100, window.height()); // the list's pane narrows
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.ThreadList->viewport()->width() < filled; }));
    EXPECT_EQ(threads->sectionSize(1), filled - 30);
}

// Module captions lower the ASCII capitals only; undecodable bytes leave the rest readable.
TEST_F(MainWindowTest, globalUsageArrivesInPlaceWithoutDisturbingTheList)
{
    System.Modules[100] = { { 7, 100, 0, 2, 0, 4096, 0x7f0000001000, "\xc3\x84-LIBC.so", "/l/c" },
        { 8, 100, 0, 1, 0, 2048, 0x7f0000009000, "\xff\xfeLIBM.so", "/l/m" } };
    TSDIAppForm& window = Open();
    TExtListView& modules = *window.ModuleList;
    ClickRow(modules, 1);
    QSignalSpy resets(modules.model(), &QAbstractItemModel::modelReset);
    System.GlobalUsage = { { 7, 12 }, { 8, 3 } };
    System.UsageChanged();
    QCoreApplication::processEvents();

    EXPECT_EQ(resets.count(), 0) << "a reset would end a press or drag in the list";
    EXPECT_EQ(RowsOf(modules),
        QStringList({ "\u00c4-libc.so | $00007F0000001000 | $00000007 | 12 | 2 | 4096 | /l/c",
            "\ufffd\ufffdlibm.so | $00007F0000009000 | $00000008 | 3 | 1 | 2048 | /l/m" }));
    EXPECT_EQ(modules.ItemFocused(), 1);
}

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
    ChildProcess child(SNAPSHOT_CHILD, { "2" });
    ASSERT_EQ(child.ReadLine(), "ready");
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
    ChildProcess child(SNAPSHOT_CHILD, { "1" });
    ASSERT_EQ(child.ReadLine(), "ready");
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
    if (!RunsAtNiceZero())
        GTEST_SKIP() << "the tests run at a nice value other than Normal's 0";
    SetShowWarnings(false);
    ChildProcess child(SNAPSHOT_CHILD, { "4" });
    ASSERT_EQ(child.ReadLine(), "ready");
    TSDIAppForm& window = Open(Real);
    Focus(child.Pid());

    QStringList shown;
    const ModalAnswer answer("quorvane::TThreadPriorityDlg", [&](QWidget& modal) {
        QComboBox* classBox = static_cast<TThreadPriorityDlg&>(modal).cbClass;
        shown << classBox->currentText();
        QTest::keyClick(classBox, param.Choose);
        QTest::keyClick(classBox, param.Close);
    });
    {
        std::optional<WithoutNiceCapability> unprivileged;
        if (param.Unprivileged)
            unprivileged.emplace();
        DoubleClickRow(*window.ThreadList, 0); // the thread list's double-click runs the command
    }
    EXPECT_EQ(shown, QStringList { "Normal" }) << "the process's class, shown first";
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

// The descriptors a freshly started process holds, as it lists them itself.
std::set<std::string> DescriptorsOfAChild()
{
    ChildProcess child("/bin/ls", { "-1", "/proc/self/fd" });
    std::set<std::string> names;
    try {
        for (;;)
            names.insert(child.ReadLine());
    } catch (const std::exception&) {
    }
    return names;
}

// Nothing the window opens reaches a process started after it.
TEST(MainHygiene, aChildStartedAfterEveryKindOfReadInheritsNothing)
{
    const std::set<std::string> before = DescriptorsOfAChild();

    ConfigHome home;
    LinuxSnapshotService service;
    const DesktopData desktop;
    DesktopShellInfo shell;
    // The window reads settings, every list of the first process, types and icons.
    TSDIAppForm window(service, shell);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    TRegIniFile("Software\\Quorvane").WriteText("Hygiene", "Value", "kept");
    ChildProcess heapOwner("/bin/sleep", { "60" });
    const auto heaps
        = service.CreateToolhelp32Snapshot(TH32CS_SNAPHEAPLIST, uint32_t(heapOwner.Pid()));
    HEAPLIST32 heap;
    if (heaps && heaps->Heap32ListFirst(heap)) {
        HEAPENTRY32 block;
        service.CreateHeapWalk()->Heap32First(block, heap.th32ProcessID, heap.th32HeapID);
    }

    // Every descriptor still open (the kept /proc/PID/stat ones among them) closes on exec.
    EXPECT_EQ(DescriptorsOfAChild(), before);
}

} // namespace
