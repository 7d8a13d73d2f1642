#include "EAbort.h"
#include "HeaderGestures.h"
#include "ShowWarnings.h"
#include "TApplication.h"
#include "TRegIniFile.h"
#include "ToxQuadSplit.h"
#include "ToxScrollPane.h"
#include "WindowFixture.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// From here on the store reads its defaults and refuses every write.
void RefuseWrites(const ConfigHome& home)
{
    home.WriteUserHive("");
    qputenv("XDG_CONFIG_HOME", (home.UserHive() + "/below-a-file").toLocal8Bit());
}

int StoredNumber(const char* section, const char* name)
{
    return TRegIniFile(QStringLiteral("Software\\Brindlewick\\Quorvane"))
        .ReadNumber(section, name, -99999);
}

void DragBar(ToxQuadSplit& split, QPoint from, QPoint to)
{
    QTest::mouseMove(&split, from);
    QTest::mousePress(&split, Qt::LeftButton, {}, from);
    QTest::mouseMove(&split, to);
    QTest::mouseRelease(&split, Qt::LeftButton, {}, to);
}

TEST_F(MainWindowTest, firstStartShowsEveryListWithTheFirstRowsFocused)
{
    // A real file at the path gives the type column its text.
    System.AddProcess(400, QCoreApplication::applicationFilePath().toStdString());
    TSDIAppForm& window = Open();
    EXPECT_EQ(RowsOf(*window.ProcessList).mid(0, 3),
        QStringList({ "alpha | $00000064 | 8 (Normal) | 1 |  | /usr/bin/Alpha",
            "beta | $000000C8 | 13 (High) | 4 |  | /opt/Beta Tool/BETA",
            "[kthreadd] | $0000012C | 8 (Normal) | 1 |  | [kthreadd]" }));
    EXPECT_EQ(window.ProcessList->SubItems(3).at(3), "64-Bit");
    EXPECT_EQ(window.ProcessList->Selected(), 0);
    EXPECT_EQ(window.ProcessList->ItemFocused(), 0);
    EXPECT_EQ(RowsOf(*window.ThreadList),
        QStringList({ "$00000065 | 8+0 : Normal, Normal", "$00000066 | 8-2 : Normal, Lowest" }));
    EXPECT_EQ(RowsOf(*window.HeapListList),
        QStringList({ "$0000000005555000 | Default", "$00007F0000000000 | Normal" }));
    EXPECT_EQ(window.ThreadList->ItemFocused(), 0);
}

TEST_F(MainWindowTest, keepsTheFocusedProcessAcrossRefreshWhereverItNowStands)
{
    TSDIAppForm& window = Open();
    ClickRow(*window.ProcessList, 1);
    ASSERT_EQ(FocusedData(*window.ProcessList), 200u);

    std::swap(System.Processes[0], System.Processes[2]);
    System.AddProcess(400, "/bin/late");
    PressKey(Qt::Key_F5);
    EXPECT_EQ(window.ProcessList->ItemCount(), 4);
    EXPECT_EQ(FocusedData(*window.ProcessList), 200u);
    EXPECT_TRUE(window.ProcessList->IsSelected(window.ProcessList->ItemFocused()));
}

TEST_F(MainWindowTest, fallsBackToTheFirstRowWhenTheFocusedProcessIsGoneOrHasIdentifierZero)
{
    System.Processes.insert(System.Processes.begin() + 1, PROCESSENTRY32 { 0, 0, 1, 0, "idle", 0 });
    TSDIAppForm& window = Open();
    ClickRow(*window.ProcessList, 2);
    System.Processes.erase(System.Processes.begin() + 2);
    PressKey(Qt::Key_F5);
    EXPECT_EQ(window.ProcessList->ItemFocused(), 0);
    EXPECT_EQ(window.ProcessList->Selected(), 0);
    EXPECT_EQ(window.ThreadList->Data(0), 101u) << "details follow the new focus";

    ClickRow(*window.ProcessList, 1);
    ASSERT_EQ(window.ProcessList->ItemFocused(), 1);
    std::swap(System.Processes[0], System.Processes[2]);
    PressKey(Qt::Key_F5);
    EXPECT_EQ(FocusedData(*window.ProcessList), 300u) << "the first row, not the idle one";
}

TEST_F(MainWindowTest, noSnapshotLeavesEveryListEmpty)
{
    TSDIAppForm& window = Open();
    System.Refuse = true;
    PressKey(Qt::Key_F5);
    EXPECT_EQ(window.ProcessList->ItemCount(), 0);
    EXPECT_EQ(window.ProcessList->Selected(), -1);
    EXPECT_EQ(window.ProcessList->ItemFocused(), -1);
    EXPECT_EQ(window.ThreadList->ItemCount(), 0);
    EXPECT_EQ(window.HeapListList->ItemCount(), 0);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainWindowTest, processShortcutsActOnlyWhileTheirItemsApplyToTheFocusedRows)
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

    // A process and its first thread and heap are focused: all three act.
    pressAll();
    EXPECT_EQ(acted, std::vector<int>({ 1, 1, 1 }));

    // Process 200 has no thread or heap with the focused identifiers.
    ClickRow(*window.ThreadList, 1);
    ClickRow(*window.ProcessList, 1);
    pressAll();
    EXPECT_EQ(acted, std::vector<int>({ 2, 1, 1 }));

    // No process at all: nothing acts.
    System.Processes.clear();
    PressKey(Qt::Key_F5);
    pressAll();
    EXPECT_EQ(acted, std::vector<int>({ 2, 1, 1 }));
}

TEST_F(MainWindowTest, heapListOpensTheFocusedHeapByDoubleClickOrShortcutOnceTheWarningIsAnswered)
{
    TSDIAppForm& window = Open();
    Answer = TModalResult::mrNo;
    EXPECT_TRUE(OpenedHeapLists([&] { DoubleClickHeapRow(1); }).isEmpty());
    Answer = TModalResult::mrYes;
    const QStringList caption { "Heap List for alpha (HID: $00007F0000000000)" };
    EXPECT_EQ(OpenedHeapLists([&] { DoubleClickHeapRow(1); }), caption);
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Type, TMsgDlgType::mtWarning);
    SetShowWarnings(false);
    window.activateWindow(); // back from the dialog, for the window's shortcuts
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(OpenedHeapLists([&] { PressKey(Qt::Key_H, Qt::ControlModifier); }), caption);
    EXPECT_EQ(Boxes.size(), 2u) << "no warning once they are off";
    ASSERT_EQ(Dialogs.size(), 2);
    for (const QPointer<THeapListDlg>& dialog : Dialogs)
        EXPECT_TRUE(dialog.isNull()) << "freed once closed";
}

TEST_F(MainWindowTest, aHeapListWithoutAFocusedHeapRowShowsTheError)
{
    TSDIAppForm& window = Open();
    Answer = TModalResult::mrYes;
    PressKey(Qt::Key_End); // [kthreadd] has no heaps
    ASSERT_EQ(window.HeapListList->ItemCount(), 0);
    EXPECT_TRUE(OpenedHeapLists([&] { DoubleClickHeapRow(-1); }).isEmpty());
    EXPECT_EQ(
        Said(), QStringList { "Error: First, select a process and a heap block to display." });
}

TEST_F(MainWindowTest, everyActivationChangeRefreshesButNotWhileQuitting)
{
    Open();
    QCoreApplication::processEvents();
    const int before = ProcessSnapshots();
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(ProcessSnapshots(), before + 2);

    TApplication::Instance()->Terminate();
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(ProcessSnapshots(), before + 2);
}

TEST_F(MainWindowTest, anErrorInAHandlerIsShownWithOneFinalFullStopAndTheWindowGoesOn)
{
    TSDIAppForm& window = Open();
    const std::pair<std::function<void()>, QString> errors[] = {
        { [] { throw std::runtime_error(" Walk failed\nhere "); }, " Walk failed\nhere ." },
        { [] { throw std::runtime_error("Already ends."); }, "Already ends." },
        { [] { throw EAbort("Unable to retrieve window placement"); }, "" }, // EAbort is silent
    };
    for (const auto& [error, text] : errors) {
        Boxes.clear();
        System.OnWalk = error;
        PressKey(Qt::Key_F5);
        EXPECT_EQ(Said(), text.isEmpty() ? QStringList {} : QStringList { "Quorvane: " + text });
        for (const TMessageRequest& box : Boxes)
            EXPECT_EQ(box.Type, TMsgDlgType::mtError);
    }
    System.OnWalk = nullptr;
    PressKey(Qt::Key_F5);
    EXPECT_EQ(window.ProcessList->ItemCount(), 3);
}

TEST_F(MainWindowTest, toolButtonsRunTheirCommands)
{
    TSDIAppForm& window = Open();
    const int before = ProcessSnapshots();
    QTest::mouseClick(window.OpenBtn, Qt::LeftButton);
    EXPECT_EQ(ProcessSnapshots(), before + 1);
    QTest::mouseClick(window.ExitBtn, Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, processIconsAreSharedByRowsOfTheSameFile)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    Shell.Icons["/usr/bin/Alpha"] = QIcon(pixmap);
    System.AddProcess(101, "/usr/bin/Alpha");
    TSDIAppForm& window = Open();
    EXPECT_EQ(window.ProcessList->ImageIndex(0), 0);
    EXPECT_EQ(window.ProcessList->ImageIndex(3), 0);
    EXPECT_EQ(window.ProcessList->ImageIndex(1), -1);
    PressKey(Qt::Key_F5);
    EXPECT_EQ(window.ImageList.Count(), 1);
}

TEST_F(MainWindowTest, tabGoesThroughProcessThreadModuleAndHeapLists)
{
    TSDIAppForm& window = Open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.ProcessList->setFocus();
    std::vector<QWidget*> visited;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(visited,
        (std::vector<QWidget*> {
            window.ThreadList, window.ModuleList, window.HeapListList, window.ProcessList }));
}

// The bars' own round trip is the maximized window's below.
TEST_F(MainWindowTest, columnsAndShowWarningsComeBackAtTheNextStartAndStoredBarsAreCutToTheWindow)
{
    TSDIAppForm& first = Open();
    EXPECT_TRUE(first.ShowWarningsItem->isChecked()) << "an empty store means warnings on";
    first.ShowWarningsItem->trigger();
    EXPECT_FALSE(first.ShowWarningsItem->isChecked());
    DragHeaderEdge(*first.ProcessList->header(), 1, 48);
    DragHeaderToFront(*first.ModuleList->header(), 2);
    ASSERT_EQ(first.ProcessList->header()->sectionSize(1), 123);
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
    const int limit = second.QuadSplit->MaxBarPosition().x();
    EXPECT_EQ(second.QuadSplit->BarPosition().X(), limit);
    EXPECT_EQ(second.QuadSplit->BarPosition().Y(), 0);
    // Once the window stands, a cut value stays cut when it grows.
    second.resize(second.width() + 100, second.height());
    QTest::qWait(0);
    EXPECT_EQ(second.QuadSplit->BarPosition().X(), limit);
    Window.reset();
    EXPECT_EQ(StoredNumber("Splitter", "X"), limit);
    EXPECT_EQ(StoredNumber("Splitter", "Y"), 0);
}

TEST_F(MainWindowTest, theShowWarningsClickTurnsOverWhatTheStoreHoldsNotWhatTheMarkShows)
{
    TSDIAppForm& window = Open();
    SetShowWarnings(false); // behind the window's back: the mark catches up at the next click
    window.ShowWarningsItem->trigger();
    EXPECT_TRUE(window.ShowWarningsItem->isChecked());
    EXPECT_TRUE(GetShowWarnings());
}

TEST_F(MainWindowTest, refreshSortsEveryListAgainByItsLastClickedColumn)
{
    TSDIAppForm& window = Open();
    ClickHeader(*window.ProcessList->header(), 1);
    ClickHeader(*window.ProcessList->header(), 1);
    ASSERT_EQ(window.ProcessList->Data(0), 300u) << "second click sorts descending";
    ClickHeader(*window.ThreadList->header(), 0);
    ClickHeader(*window.ThreadList->header(), 0);

    System.AddProcess(250, "/bin/new");
    PressKey(Qt::Key_F5);
    std::vector<quint64> order;
    for (int row = 0; row < window.ProcessList->ItemCount(); ++row)
        order.push_back(window.ProcessList->Data(row));
    EXPECT_EQ(order, (std::vector<quint64> { 300, 250, 200, 100 })) << "Resort keeps the direction";
    EXPECT_EQ(RowsOf(*window.ThreadList).first(), "$00000066 | 8-2 : Normal, Lowest");

    // Choosing another process refills the details in snapshot order.
    ClickRow(*window.ProcessList, window.ProcessList->FindData(200));
    EXPECT_EQ(window.ThreadList->Data(0), 201u);
}

TEST_F(MainWindowTest, aKeyboardMoveRebuildsTheDetailsOnceAndKeepsNoRowWhoseIdentifierIsGone)
{
    System.Threads[300] = { { 301, 300, 8, 0 } };
    const std::pair<std::function<void(QWidget*)>, quint64> moves[] = {
        { [](QWidget* list) { QTest::keyClick(list, Qt::Key_Down); }, 200 },
        { [](QWidget* list) { QTest::keyClick(list, Qt::Key_End); }, 300 },
        { [](QWidget* list) { QTest::keyClicks(list, "be"); }, 200 }, // type-ahead
    };
    for (const auto& [press, process] : moves) {
        SCOPED_TRACE(process);
        TSDIAppForm& window = Open();
        ClickRow(*window.ThreadList, 1);
        ClickRow(*window.HeapListList, 1);
        window.ProcessList->setFocus();
        const auto taken = System.SnapshotsTaken;

        press(window.ProcessList);
        EXPECT_EQ(FocusedData(*window.ProcessList), process);
        for (uint32_t kind : { TH32CS_SNAPTHREAD, TH32CS_SNAPMODULE, TH32CS_SNAPHEAPLIST })
            EXPECT_EQ(System.SnapshotsTaken[kind], taken.at(kind) + 1) << "kind " << kind;
        EXPECT_GT(window.ThreadList->ItemCount(), 0);
        EXPECT_EQ(window.ThreadList->Selected(), -1);
        EXPECT_EQ(window.ThreadList->ItemFocused(), -1);
        EXPECT_EQ(window.HeapListList->ItemFocused(), -1);
    }
    // A list with no focused row takes its first one at the next fill.
    PressKey(Qt::Key_Home);
    EXPECT_EQ(Window->ThreadList->ItemFocused(), 0);
}

TEST_F(MainWindowTest, aFailedShowWarningsClickLeavesTheMarkShowingTheStore)
{
    TSDIAppForm& window = Open();
    const auto wrongType = [](const ConfigHome& home) {
        home.WriteUserHive("[HKEY_CURRENT_USER\\Software\\Brindlewick\\Quorvane\\Options]\n"
                           "\"show warnings\"=dword:0\n");
    };
    const std::pair<void (*)(const ConfigHome&), QString> failures[] = {
        { wrongType, "Invalid data type for 'Show Warnings'." },
        { RefuseWrites, "Failed to create key Options." }, // last: it stays refused
    };
    for (const auto& [breakStore, text] : failures) {
        SCOPED_TRACE(text.toStdString());
        Boxes.clear();
        breakStore(Home);
        const QByteArray stored = Home.ReadUserHive();
        window.ProcessMenu->popup(window.mapToGlobal(QPoint(40, 40)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.ProcessMenu));
        QTest::mouseClick(window.ProcessMenu, Qt::LeftButton, {},
            window.ProcessMenu->actionGeometry(window.ShowWarningsItem).center());
        EXPECT_EQ(Said(), QStringList { "Quorvane: " + text });
        EXPECT_TRUE(window.ShowWarningsItem->isChecked());
        EXPECT_EQ(Home.ReadUserHive(), stored) << "nothing stored";
    }
}

TEST_F(MainWindowTest, panesNeverScrollAndTheLastColumnIsTheUsersOnceFilled)
{
    TSDIAppForm& window = Open();
    QHeaderView* threads = window.ThreadList->header();
    const int filled = threads->sectionSize(1);
    EXPECT_EQ(threads->sectionViewportPosition(1) + filled, window.ThreadList->viewport()->width());
    DragHeaderEdge(*threads, 1, -30);
    EXPECT_EQ(threads->sectionSize(1), filled - 30);

    // The crossing dragged into each corner leaves panes at their smallest.
    ToxQuadSplit& split = *window.QuadSplit;
    for (const QPoint corner : { QPoint(0, 0), QPoint(split.width() - 1, split.height() - 1) }) {
        const QPoint crossing(2 + split.BarPosition().X() + 1, 2 + split.BarPosition().Y() + 1);
        QTest::mousePress(&split, Qt::LeftButton, {}, crossing);
        QTest::mouseMove(&split, corner);
        QTest::mouseRelease(&split, Qt::LeftButton, {}, corner);
        QCoreApplication::processEvents();
        for (int i = 0; i < split.PaneCount(); ++i) {
            ToxScrollPane* pane = split.Panes(i);
            EXPECT_FALSE(pane->horizontalScrollBar()->isVisible()) << i;
            EXPECT_FALSE(pane->verticalScrollBar()->isVisible()) << i;
            EXPECT_EQ(pane->widget()->size(), pane->viewport()->size()) << i;
        }
    }
    EXPECT_EQ(threads->sectionSize(1), filled - 30) << "a narrow pane keeps it";
}

TEST_F(MainWindowTest, columnsThatCannotBeSavedAtExitAreReportedByTheErrorHandler)
{
    Open();
    RefuseWrites(Home);
    Boxes.clear();
    Window.reset();
    EXPECT_EQ(Said().count("Quorvane: Failed to create key Columns."), 4) << "one for each list";
}

TEST_F(MainWindowTest, globalUsageArrivesInPlaceWithoutDisturbingTheList)
{
    MODULEENTRY32 libc { 7, 100, 0, 2, 0, 4096, 0x7f0000001000, "libc.so.6", "/lib/libc.so.6" };
    MODULEENTRY32 libm { 8, 100, 0, 1, 0, 2048, 0x7f0000009000, "libm.so.6", "/lib/libm.so.6" };
    System.Modules[100] = { libc, libm };
    TSDIAppForm& window = Open();
    TExtListView& modules = *window.ModuleList;
    QSignalSpy resets(modules.model(), &QAbstractItemModel::modelReset);
    const QPoint first = modules.visualRect(modules.model()->index(0, 0)).center();
    const QPoint second = modules.visualRect(modules.model()->index(1, 0)).center();

    // The counts arrive while the user drags from one row to the next.
    QTest::mousePress(modules.viewport(), Qt::LeftButton, {}, first);
    System.GlobalUsage = { { 7, 12 }, { 8, 3 } };
    System.UsageChanged();
    QCoreApplication::processEvents();
    QMouseEvent move(QEvent::MouseMove, second, modules.viewport()->mapToGlobal(second),
        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(modules.viewport(), &move);
    QTest::mouseRelease(modules.viewport(), Qt::LeftButton, {}, second);

    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(modules.SubItems(0).at(2), "12");
    EXPECT_EQ(modules.SubItems(1).at(2), "3");
    EXPECT_EQ(modules.Selected(), 1);
    EXPECT_EQ(modules.ItemFocused(), 1);
}

TEST_F(MainWindowTest, aMaximizedWindowComesBackMaximizedWithBarsBeyondItsNormalSize)
{
    TSDIAppForm& first = Open();
    first.showMaximized();
    ToxQuadSplit& split = *first.QuadSplit;
    // Below the limit of the normal size, reachable only while maximized. A window manager
    // maximizes in its own time.
    const int normalLimitY = 459 - 2 * split.Margin() - 4;
    ASSERT_TRUE(QTest::qWaitFor([&] { return split.MaxBarPosition().y() > normalLimitY + 20; }));
    const int barY = split.Margin() + split.BarPosition().Y() + 1;
    DragBar(split, { 30, barY }, { 30, normalLimitY + 20 });
    const QPoint bars(split.BarPosition().X(), split.BarPosition().Y());
    ASSERT_GT(bars.y(), normalLimitY);
    first.close();
    Window.reset();
    EXPECT_EQ(StoredNumber("MainWindow", "PlaceShowCmd"), 3);
    EXPECT_EQ(StoredNumber("Splitter", "Y"), bars.y());

    TSDIAppForm& second = Open();
    EXPECT_TRUE(second.isMaximized());
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.height() > 459; }));
    EXPECT_EQ(second.normalGeometry().size(), QSize(838, 459));
    EXPECT_EQ(second.QuadSplit->BarPosition().X(), bars.x());
    EXPECT_EQ(second.QuadSplit->BarPosition().Y(), bars.y());
}

} // namespace
