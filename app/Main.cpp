#include "app/Main.h"

#include "app/AppIdentity.h"
#include "app/AppResources.h"
#include "app/ListTexts.h"
#include "app/ProcessRowTexts.h"
#include "app/ProcessRows.h"
#include "app/ProgramKey.h"
#include "app/ShowWarnings.h"
#include "app/SplitterPosition.h"
#include "controls/split/ToxQuadSplit.h"
#include "controls/split/ToxScrollPane.h"
#include "dialogs/HeapListDlg.h"
#include "dialogs/TAboutDlg.h"
#include "dialogs/TThreadPriorityDlg.h"
#include "dialogs/ValueTexts.h"
#include "platform/control/ProcessHandle.h"
#include "platform/desktop/ShellInfo.h"
#include "platform/proc/ExecutableType.h"
#include "platform/snapshot/SnapshotService.h"
#include "settings/Placemnt.h"
#include "toolkit/FocusRowWithData.h"
#include "toolkit/TApplication.h"
#include "toolkit/TBusyCursor.h"
#include "toolkit/TMessageBox.h"

#include <QCloseEvent>
#include <QFrame>
#include <QMenuBar>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <stdexcept>
#include <utility>

namespace quorvane {

namespace {

    QString AppTitle()
    {
        return QString::fromLatin1(AppName) + QStringLiteral(" v")
            + QString::fromLatin1(AppVersion);
    }

    constexpr int DesignWidth = 838;
    constexpr int DesignHeight = 459;
    constexpr int GlobalUsageSubItem = 2;

    // A mapped module has at least this process as its user: 0 means the count is not known yet.
    QString GlobalUsageText(uint32_t usage)
    {
        return usage == 0 ? QString() : QString::number(usage);
    }

    // How long a terminated process is waited for. A process stuck in the kernel (uninterruptible
    // sleep) ends only when it leaves it; the window must not freeze meanwhile.
    constexpr uint32_t TerminateWaitMilliseconds = 2000;

    const char* const TerminateConfirmation
        = "TerminateProcess can leave the system in an unstable state.\r"
          "You should only use it as a last resort.\r\rAre you sure you want to continue?";
    const char* const PriorityWarning
        = "Change a thread's priority is not a recommended procedure.\r"
          "It can seriously degrade system performance if you not absolutely\r"
          "sure of what you are doing.\r\rAre you certain you want to do this?";
    const char* const HeapWalkWarning
        = "Enumerating every memory allocation in a heap can be very\rtime consuming in "
          "memory-intensive applications.  Do not\rbe surprised if it takes a few minutes with "
          "some heap blocks.\r\rAre you certain you want to do this?";
    const char* const NoHeapTarget = "First, select a process and a heap block to display.";

    // A confirmation or warning that goes on only when answered Yes; none at all while Show
    // Warnings is off, read afresh from the store each time.
    bool Confirmed(const char* text, TMsgDlgType type, QWidget* parent)
    {
        return !GetShowWarnings()
            || TMessageBox::MessageDlg(QString::fromUtf8(text), type, parent)
            == TModalResult::mrYes;
    }

    void ShowError(const char* text, QWidget* parent)
    {
        TMessageBox::MessageDlg(QString::fromUtf8(text), TMsgDlgType::mtError, parent);
    }

    // Selects and focuses the first row; an empty list is left with neither.
    void FocusFirstRow(TListView& list)
    {
        const int row = list.ItemCount() > 0 ? 0 : -1;
        list.SetSelected(row);
        list.SetItemFocused(row);
    }

    // Connects a Qt signal to a handler so that an escaping error reaches the default handler
    // instead of unwinding through Qt.
    template <typename Sender, typename Signal>
    void OnSignal(Sender* sender, Signal signal, QObject* context, std::function<void()> handler)
    {
        QObject::connect(
            sender, signal, context, [handler = std::move(handler)] { RunHandler(handler); });
    }

    QIcon GlyphIcon(const QString& normal, const QString& disabled = QString())
    {
        QIcon icon(normal);
        if (!disabled.isEmpty())
            icon.addFile(disabled, QSize(), QIcon::Disabled);
        return icon;
    }

    // The hint's text before "|" is the tooltip; the button is named by it for assistive tools.
    QToolButton* SpeedButton(
        QWidget* panel, const QString& name, int left, const QString& hint, const QIcon& glyph)
    {
        auto* button = new QToolButton(panel);
        button->setObjectName(name);
        button->setGeometry(left, 5, 25, 25);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus); // speed buttons never take the focus from the lists
        button->setIcon(glyph);
        button->setIconSize(QSize(16, 16));
        const QString shortHint = hint.section(QLatin1Char('|'), 0, 0);
        button->setToolTip(shortHint);
        button->setAccessibleName(shortHint);
        return button;
    }

    // A list of the main window: full-row selection, headers the user drags into another order,
    // sorted by header clicks, columns kept under the list's own key.
    TExtListView* ReportList(QWidget* parent, const QString& name, const QString& settingsKey,
        std::initializer_list<TListColumn> columns)
    {
        auto* list = new TExtListView(parent);
        list->setObjectName(name);
        list->setFrameShape(QFrame::NoFrame);
        for (const TListColumn& column : columns)
            list->AddColumn(column);
        list->SetExtendedStyles(lvxHeaderDragDrop | lvxFullRowSelect);
        list->SetAutoColumnSort(acsSortToggle);
        list->SaveSettings().SetAutoSave(true);
        list->SaveSettings().SetRegistryKey(ProgramKey() + QLatin1Char('\\') + settingsKey);
        return list;
    }
}

TSDIAppForm::TSDIAppForm(SnapshotService& snapshots, ShellInfo& shell, QWidget* parent)
    : QMainWindow(parent)
    , FSnapshots(snapshots)
    , FShell(shell)
    , FRowTexts(std::make_unique<ProcessRowTexts>())
    , FRows(std::make_unique<ProcessRows>())
{
    InitAppResources();
    {
        TDesignLoader loader(this);
        CreateDesign();
        loader.Finish();
    }
    RunHandler([this] { FormCreate(this); });
    connect(
        qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            RunHandler([this, state] { WMActivateApp(state); });
        });
    // Counts of processes mapping each module arrive from a worker; they are shown on this thread.
    FSnapshots.SetOnModuleUsageChanged([this] {
        QMetaObject::invokeMethod(
            this, [this] { RunHandler([this] { ShowModuleUsage(); }); }, Qt::QueuedConnection);
    });
}

TSDIAppForm::~TSDIAppForm()
{
    FSnapshots.SetOnModuleUsageChanged({});
    disconnect(qApp, nullptr, this, nullptr);
    RunHandler([this] { FormDestroy(this); });
    // Each list saves its columns as it goes, in pane order, while this window is still whole:
    // a store failure then reaches the default error handler like any other.
    for (TExtListView** list : { &ProcessList, &ThreadList, &HeapListList, &ModuleList })
        delete std::exchange(*list, nullptr);
}

void TSDIAppForm::CreateDesign()
{
    setObjectName(QStringLiteral("SDIAppForm"));
    setWindowTitle(AppTitle());
    setWindowIcon(QIcon(QStringLiteral(":/quorvane/quorvane.svg")));
    // The design size at a position of the window system's choosing.
    resize(DesignWidth, DesignHeight);

    CreateMenus();
    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(client);
    CreateSpeedPanel();
    column->addWidget(SpeedPanel);
    CreateLists();
    column->addWidget(QuadSplit, 1);

    Placement = new TPlacement(this, QStringLiteral("MainWindow"));
    Placement->setObjectName(QStringLiteral("Placement"));
    Placement->SetIniFileName(ProgramKey());

    AboutDlg = new TAboutDlg(this);
    AboutDlg->setObjectName(QStringLiteral("AboutDlg"));
    AboutDlg->SetAppName(AppTitle());
    AboutDlg->SetCaption(QStringLiteral("About Quorvane"));
    AboutDlg->SetCopyright(QStringLiteral("Copyright \u00A9 Brindlewick Software"));
    AboutDlg->SetVendor(QStringLiteral("Brindlewick Software"));
    ProcessList->setFocus();
}

void TSDIAppForm::CreateMenus()
{
    MainMenu = menuBar();
    MainMenu->setObjectName(QStringLiteral("MainMenu"));

    FileMenu = MainMenu->addMenu(QStringLiteral("&File"));
    FileMenu->setObjectName(QStringLiteral("FileMenu"));
    ExitItem = FileMenu->addAction(QStringLiteral("E&xit"));
    ExitItem->setObjectName(QStringLiteral("ExitItem"));
    ExitItem->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    ExitItem->setStatusTip(QStringLiteral("Exit application"));
    OnSignal(ExitItem, &QAction::triggered, this, [this] { ExitItemClick(ExitItem); });

    ProcessMenu = MainMenu->addMenu(QStringLiteral("&Process"));
    ProcessMenu->setObjectName(QStringLiteral("ProcessMenu"));
    OnSignal(ProcessMenu, &QMenu::aboutToShow, this, [this] { ProcessMenuClick(ProcessMenu); });
    TerminateProcessItem = ProcessMenu->addAction(QStringLiteral("&Terminate Process"));
    TerminateProcessItem->setObjectName(QStringLiteral("TerminateProcessItem"));
    TerminateProcessItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    OnSignal(TerminateProcessItem, &QAction::triggered, this,
        [this] { TerminateProcessItemClick(TerminateProcessItem); });
    HeapListItem = ProcessMenu->addAction(QStringLiteral("&Heap List..."));
    HeapListItem->setObjectName(QStringLiteral("HeapListItem"));
    HeapListItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    OnSignal(HeapListItem, &QAction::triggered, this, [this] { HeapListItemClick(HeapListItem); });
    ChangeThreadPriorityItem = ProcessMenu->addAction(QStringLiteral("&Change Thread Priority..."));
    ChangeThreadPriorityItem->setObjectName(QStringLiteral("ChangeThreadPriorityItem"));
    ChangeThreadPriorityItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    OnSignal(ChangeThreadPriorityItem, &QAction::triggered, this,
        [this] { ChangeThreadPriorityItemClick(ChangeThreadPriorityItem); });
    N1 = ProcessMenu->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    ShowWarningsItem = ProcessMenu->addAction(QStringLiteral("&Show Warnings"));
    ShowWarningsItem->setObjectName(QStringLiteral("ShowWarningsItem"));
    ShowWarningsItem->setCheckable(true);
    // Qt flips the mark before the click arrives; the click alone decides it, from the store.
    OnSignal(ShowWarningsItem, &QAction::triggered, this, [this] {
        ShowWarningsItem->setChecked(!ShowWarningsItem->isChecked());
        ShowWarningsItemClick(ShowWarningsItem);
    });
    RefreshItem = ProcessMenu->addAction(QStringLiteral("&Refresh"));
    RefreshItem->setObjectName(QStringLiteral("RefreshItem"));
    RefreshItem->setShortcut(QKeySequence(Qt::Key_F5));
    OnSignal(RefreshItem, &QAction::triggered, this, [this] { RefreshItemClick(RefreshItem); });
    for (QAction* item : { TerminateProcessItem, HeapListItem, ChangeThreadPriorityItem })
        AddProcessShortcut(item);

    Help1 = MainMenu->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    About1 = Help1->addAction(QStringLiteral("&About..."));
    About1->setObjectName(QStringLiteral("About1"));
    About1->setShortcut(QKeySequence(Qt::Key_F1));
    OnSignal(About1, &QAction::triggered, this, [this] { About1Click(About1); });

    // An open menu is announced by its title.
    for (QMenu* menu : { FileMenu, ProcessMenu, Help1 })
        menu->setAccessibleName(QString(menu->title()).remove(QLatin1Char('&')));
}

// A Process menu item's shortcut works only while its menu is open; outside it the window's
// shortcut first brings the menu's enabling up to date, then acts only if the item is enabled.
void TSDIAppForm::AddProcessShortcut(QAction* item)
{
    item->setShortcutContext(Qt::WidgetShortcut);
    auto* shortcut = new QShortcut(item->shortcut(), this);
    shortcut->setObjectName(item->objectName() + QStringLiteral("Shortcut"));
    OnSignal(shortcut, &QShortcut::activated, this, [this, item] {
        ProcessMenuClick(ProcessMenu);
        if (item->isEnabled())
            item->trigger();
    });
}

void TSDIAppForm::CreateSpeedPanel()
{
    SpeedPanel = new QWidget(this);
    SpeedPanel->setObjectName(QStringLiteral("SpeedPanel"));
    SpeedPanel->setFixedHeight(32);

    Bevel1 = new QFrame(SpeedPanel);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, 0, 4096, 5);

    OpenBtn = SpeedButton(SpeedPanel, QStringLiteral("OpenBtn"), 5, QStringLiteral("Refresh"),
        GlyphIcon(QStringLiteral(":/quorvane/refresh.svg"),
            QStringLiteral(":/quorvane/refresh-disabled.svg")));
    KillBtn = SpeedButton(SpeedPanel, QStringLiteral("KillBtn"), 30,
        QStringLiteral("Terminate Process"), GlyphIcon(QStringLiteral(":/quorvane/terminate.svg")));
    ExitBtn = SpeedButton(SpeedPanel, QStringLiteral("ExitBtn"), 62, QStringLiteral("Exit|"),
        GlyphIcon(QStringLiteral(":/quorvane/exit.svg")));
    OnSignal(OpenBtn, &QToolButton::clicked, this, [this] { RefreshItemClick(OpenBtn); });
    OnSignal(ExitBtn, &QToolButton::clicked, this, [this] { ExitItemClick(ExitBtn); });
    OnSignal(KillBtn, &QToolButton::clicked, this, [this] { TerminateProcessItemClick(KillBtn); });
}

void TSDIAppForm::CreateLists()
{
    QuadSplit = new ToxQuadSplit(this);
    QuadSplit->setObjectName(QStringLiteral("QuadSplit"));
    QuadSplit->SetAutoUpdate(false);
    QuadSplit->SetBarWidth(4);
    QuadSplit->SetSyncScroll(false);
    QuadSplit->SetStyle(oxsAuto);
    // The designed size first, or the designed position would be cut to a smaller splitter.
    QuadSplit->resize(830, 381);
    QuadSplit->BarPosition().SetX(562);
    QuadSplit->BarPosition().SetY(161);
    QuadSplit->SetPaneTabOrder(oxsAcross);

    ProcessList = ReportList(this, QStringLiteral("ProcessList"), QStringLiteral("ProcessList"),
        { { QStringLiteral("Process"), 90, Qt::AlignLeft, false },
            { QStringLiteral("PID"), 75, Qt::AlignLeft, false },
            { QStringLiteral("Base Priority"), 70, Qt::AlignLeft, false },
            { QStringLiteral("# Threads"), 61, Qt::AlignHCenter, false },
            { QStringLiteral("Type"), 40, Qt::AlignRight, false },
            { QStringLiteral("Full Path"), 224, Qt::AlignLeft, true } });
    ProcessList->SetSmallImages(&ImageList);
    ProcessList->OnChange = [this](QObject* sender, int item, TItemChange change) {
        RunHandler([&] { ProcessListChange(sender, item, change); });
    };

    ThreadList = ReportList(this, QStringLiteral("ThreadList"), QStringLiteral("ThreadList"),
        { { QStringLiteral("TID"), 75, Qt::AlignLeft, false },
            { QStringLiteral("Priority"), 187, Qt::AlignLeft, true } });
    ThreadList->OnDblClick
        = [this](QObject* sender) { RunHandler([&] { ThreadListDblClick(sender); }); };
    ModuleList = ReportList(this, QStringLiteral("ModuleList"), QStringLiteral("ModuleList"),
        { { QStringLiteral("Module"), 80, Qt::AlignLeft, false },
            { QStringLiteral("Handle"), 75, Qt::AlignLeft, false, true },
            { QStringLiteral("MID"), 75, Qt::AlignLeft, false },
            { QStringLiteral("Global Usage"), 76, Qt::AlignHCenter, false },
            { QStringLiteral("Process Usage"), 84, Qt::AlignHCenter, false },
            { QStringLiteral("Size"), 65, Qt::AlignRight, false },
            { QStringLiteral("Full Path"), 105, Qt::AlignLeft, true } });
    HeapListList = ReportList(this, QStringLiteral("HeapListList"), QStringLiteral("HeapList"),
        { { QStringLiteral("HID"), 75, Qt::AlignLeft, false, true },
            { QStringLiteral("Status"), 187, Qt::AlignLeft, true } });
    HeapListList->OnDblClick
        = [this](QObject* sender) { RunHandler([&] { HeapListListDblClick(sender); }); };
    // What a screen reader says on entering each list.
    ProcessList->setAccessibleName(QStringLiteral("Processes"));
    ThreadList->setAccessibleName(QStringLiteral("Threads"));
    ThreadList->setAccessibleDescription(QStringLiteral("Threads of the focused process"));
    ModuleList->setAccessibleName(QStringLiteral("Modules"));
    ModuleList->setAccessibleDescription(QStringLiteral("Modules loaded by the focused process"));
    HeapListList->setAccessibleName(QStringLiteral("Heaps"));
    HeapListList->setAccessibleDescription(QStringLiteral("Heaps of the focused process"));

    // Panes clockwise from the top left; Tab goes process, thread, module, heap.
    QuadSplit->ReadState([this] {
        const std::pair<TListView*, int> panes[]
            = { { ProcessList, 0 }, { ThreadList, 1 }, { HeapListList, 3 }, { ModuleList, 2 } };
        for (const auto& [list, tabOrder] : panes) {
            auto* pane = new ToxScrollPane(QuadSplit);
            pane->SetBorderStyle(bsNone);
            pane->SetTabOrder(tabOrder);
            pane->SetClientControl(list);
        }
    });
}

void TSDIAppForm::FormCreate(QObject* /*Sender*/)
{
    TBusyCursor busy;
    ShowWarningsItem->setChecked(GetShowWarnings());
    Placement->RestorePlacement();
    ReadSplitterPosition(*QuadSplit);
    FillProcessList();
    FFilledForFirstShow = true;
}

void TSDIAppForm::FormDestroy(QObject* /*Sender*/)
{
    WriteSplitterPosition(*QuadSplit);
    Placement->SavePlacement();
}

void TSDIAppForm::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        if (TApplication* application = TApplication::Instance())
            application->Terminate();
    }
}

// Every change of the application's activation, in either direction, refreshes; none once a
// request to quit has been made. The activation that the window's first showing brings, before
// its first frame, would only repeat the fill its creation has just made, doubling the start.
void TSDIAppForm::WMActivateApp(Qt::ApplicationState state)
{
    const TApplication* application = TApplication::Instance();
    if (application && application->Terminated())
        return;
    const bool filledForThisShow = std::exchange(FFilledForFirstShow, false)
        && state == Qt::ApplicationActive && !(windowHandle() && windowHandle()->isExposed());
    if (!filledForThisShow)
        RefreshItemClick(this);
}

void TSDIAppForm::ExitItemClick(QObject* /*Sender*/)
{
    close();
}

void TSDIAppForm::ProcessMenuClick(QObject* /*Sender*/)
{
    TerminateProcessItem->setEnabled(ProcessList->ItemFocused() >= 0);
    HeapListItem->setEnabled(TerminateProcessItem->isEnabled() && HeapListList->ItemFocused() >= 0);
    ChangeThreadPriorityItem->setEnabled(
        TerminateProcessItem->isEnabled() && ThreadList->ItemFocused() >= 0);
}

void TSDIAppForm::HeapListItemClick(QObject* /*Sender*/)
{
    if (HeapListList->ItemFocused() < 0 || ProcessList->ItemFocused() < 0) {
        ShowError(NoHeapTarget, this);
        return;
    }
    if (!Confirmed(HeapWalkWarning, TMsgDlgType::mtWarning, this))
        return;
    // The rows are read again: a refresh may have run while the warning was open.
    const int process = ProcessList->ItemFocused();
    const int heap = HeapListList->ItemFocused();
    if (process < 0 || heap < 0) {
        ShowError(NoHeapTarget, this);
        return;
    }
    const std::unique_ptr<THeapListDlg> dialog = std::make_unique<THeapListDlg>(FSnapshots, this);
    const quint64 heapId = HeapListList->Data(heap);
    dialog->setWindowTitle(dialog->windowTitle() + ProcessList->Caption(process)
        + QStringLiteral(" (HID: ") + HexPointer(heapId) + QLatin1Char(')'));
    dialog->ListHeapBlocks(uint32_t(ProcessList->Data(process)), heapId);
    dialog->exec();
}

void TSDIAppForm::HeapListListDblClick(QObject* /*Sender*/)
{
    HeapListItemClick(HeapListList);
}

void TSDIAppForm::ShowWarningsItemClick(QObject* /*Sender*/)
{
    ToggleShowWarnings(*ShowWarningsItem);
}

void TSDIAppForm::RefreshItemClick(QObject* /*Sender*/)
{
    FFilledForFirstShow = false;
    TBusyCursor busy;
    FillProcessList();
    for (TExtListView* list : { ProcessList, ThreadList, ModuleList, HeapListList })
        list->Resort();
}

void TSDIAppForm::FillProcessList()
{
    const quint64 focusedId = FocusedRowData(*ProcessList);
    {
        TListUpdate update(*ProcessList);
        ProcessList->Clear();
        if (std::unique_ptr<ToolhelpSnapshot> snapshot
            = FSnapshots.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)) {
            PROCESSENTRY32 process;
            for (bool more = snapshot->Process32First(process); more;
                 more = snapshot->Process32Next(process))
                AddProcessItem(process);
            FRows->Sweep();
        }
    }
    if (FocusRowWithData(*ProcessList, focusedId) < 0)
        FocusFirstRow(*ProcessList);
}

void TSDIAppForm::AddProcessItem(const PROCESSENTRY32& process)
{
    const uint32_t type = FSnapshots.ExecutableTypeOf(process);
    const ProcessRows::Row& row = FRows->Find(process, type, [&] {
        ProcessRows::Row made;
        made.Image = ImageList.Add(FShell.ExtractAssociatedIcon(process.szExeFile));
        const QString path = SystemText(process.szExeFile);
        made.Caption = ProcessCaption(path);
        made.SubItems.reserve(5);
        made.SubItems << HexIdentifier(process.th32ProcessID)
                      << FRowTexts->Priority(process.pcPriClassBase)
                      << FRowTexts->Threads(process.cntThreads) << FRowTexts->Type(type) << path;
        return made;
    });
    ProcessList->AddItem(row.Caption, row.SubItems, row.Image, process.th32ProcessID);
}

void TSDIAppForm::ProcessListChange(QObject* /*Sender*/, int Item, TItemChange Change)
{
    if (ProcessList->ItemFocused() < 0) {
        ThreadList->Clear();
        HeapListList->Clear();
        ModuleList->Clear();
        return;
    }
    if (Change != TItemChange::ctState || !ProcessList->IsSelected(Item)
        || !ProcessList->IsFocused(Item))
        return;
    TListUpdate threads(*ThreadList);
    TListUpdate modules(*ModuleList);
    TListUpdate heaps(*HeapListList);
    TBusyCursor busy;
    const auto processId = uint32_t(ProcessList->Data(ProcessList->ItemFocused()));
    FillThreadList(processId);
    FillModuleList(processId);
    FillHeapList(processId);
}

// The fill shared by the three lists: the focused row is found again by its identifier, with no
// fallback to the first row.
void TSDIAppForm::FillDetailList(TListView& list, uint32_t kind, uint32_t processId,
    const std::function<void(ToolhelpSnapshot&)>& walk)
{
    const quint64 focusedId = FocusedRowData(list);
    {
        TListUpdate update(list);
        list.Clear();
        if (std::unique_ptr<ToolhelpSnapshot> snapshot
            = FSnapshots.CreateToolhelp32Snapshot(kind, processId))
            walk(*snapshot);
    }
    if (focusedId == 0)
        FocusFirstRow(list);
    else
        FocusRowWithData(list, focusedId);
}

void TSDIAppForm::FillThreadList(uint32_t processId)
{
    FillDetailList(*ThreadList, TH32CS_SNAPTHREAD, processId, [&](ToolhelpSnapshot& snapshot) {
        THREADENTRY32 thread;
        for (bool more = snapshot.Thread32First(thread); more;
             more = snapshot.Thread32Next(thread)) {
            if (thread.th32OwnerProcessID == processId)
                AddThreadItem(thread);
        }
    });
}

void TSDIAppForm::FillModuleList(uint32_t processId)
{
    FillDetailList(*ModuleList, TH32CS_SNAPMODULE, processId, [&](ToolhelpSnapshot& snapshot) {
        MODULEENTRY32 module;
        for (bool more = snapshot.Module32First(module); more; more = snapshot.Module32Next(module))
            AddModuleItem(module);
    });
}

void TSDIAppForm::FillHeapList(uint32_t processId)
{
    FillDetailList(*HeapListList, TH32CS_SNAPHEAPLIST, processId, [&](ToolhelpSnapshot& snapshot) {
        HEAPLIST32 heap;
        for (bool more = snapshot.Heap32ListFirst(heap); more; more = snapshot.Heap32ListNext(heap))
            AddHeapItem(heap);
    });
}

void TSDIAppForm::AddThreadItem(const THREADENTRY32& thread)
{
    const int row = ThreadList->AddItem();
    ThreadList->SetCaption(row, HexIdentifier(thread.th32ThreadID));
    ThreadList->AddSubItem(row, ThreadPriorityText(thread.tpBasePri, thread.tpDeltaPri));
    ThreadList->SetData(row, thread.th32ThreadID);
}

void TSDIAppForm::AddModuleItem(const MODULEENTRY32& module)
{
    const int row = ModuleList->AddItem();
    ModuleList->SetCaption(row, LowerCaseAscii(SystemText(module.szModule)));
    ModuleList->AddSubItem(row, HexPointer(module.hModule));
    ModuleList->AddSubItem(row, HexIdentifier(module.th32ModuleID));
    ModuleList->AddSubItem(row, GlobalUsageText(module.GlblcntUsage));
    ModuleList->AddSubItem(row, QString::number(int32_t(module.ProccntUsage)));
    ModuleList->AddSubItem(row, QString::number(qulonglong(module.modBaseSize)));
    ModuleList->AddSubItem(row, SystemText(module.szExePath));
    ModuleList->SetData(row, module.th32ModuleID);
}

// Fills in the global usage of the listed modules as the counts become known, cell by cell, so a
// press, drag or keyboard move in the list goes on undisturbed. The rows keep their order, also
// when the list is sorted by this column: like every fill, this one is sorted again at Refresh.
void TSDIAppForm::ShowModuleUsage()
{
    if (!ModuleList)
        return; // the window is going
    for (int row = 0; row < ModuleList->ItemCount(); ++row) {
        if (const auto usage = FSnapshots.ModuleGlobalUsage(uint32_t(ModuleList->Data(row))))
            ModuleList->SetSubItem(row, GlobalUsageSubItem, GlobalUsageText(*usage));
    }
}

void TSDIAppForm::AddHeapItem(const HEAPLIST32& heap)
{
    const int row = HeapListList->AddItem();
    HeapListList->SetCaption(row, HexPointer(heap.th32HeapID));
    HeapListList->AddSubItem(row, HeapStatusText(heap.dwFlags));
    HeapListList->SetData(row, heap.th32HeapID);
}

// The identifier and name of the focused process; read at each step that needs them, since an
// activation refresh can run while a command waits for an answer.
uint32_t TSDIAppForm::FocusedProcessId() const
{
    const int focused = ProcessList->ItemFocused();
    return focused >= 0 ? uint32_t(ProcessList->Data(focused)) : 0;
}

QString TSDIAppForm::FocusedProcessName() const
{
    const int focused = ProcessList->ItemFocused();
    return focused >= 0 ? ProcessList->Caption(focused) : QString();
}

void TSDIAppForm::TerminateProcessItemClick(QObject* /*Sender*/)
{
    if (ProcessList->ItemFocused() < 0)
        return;
    if (!Confirmed(TerminateConfirmation, TMsgDlgType::mtConfirmation, this))
        return;
    if (const std::unique_ptr<ProcessHandle> process
        = FSnapshots.OpenProcess(PROCESS_TERMINATE, FocusedProcessId())) {
        if (process->TerminateProcess(uint32_t(-1)))
            process->WaitForSingleObject(TerminateWaitMilliseconds);
    } else {
        // A process that cannot be opened is told of in a box and the list is read again; the
        // priority command below raises instead, so its error goes to the default handler.
        ShowError("Could not retrieve handle for selected process.", this);
    }
    RefreshItemClick(this);
}

void TSDIAppForm::ChangeThreadPriorityItemClick(QObject* /*Sender*/)
{
    if (ProcessList->ItemFocused() < 0) {
        ShowError("First, select a process and a thread to change.", this);
        return;
    }
    if (!Confirmed(PriorityWarning, TMsgDlgType::mtWarning, this))
        return;
    const auto dialog = std::make_unique<TThreadPriorityDlg>(this);
    dialog->setWindowTitle(TThreadPriorityDlg::DesignedCaption() + FocusedProcessName());
    const std::unique_ptr<ProcessHandle> process = FSnapshots.OpenProcess(
        PROCESS_SET_INFORMATION | PROCESS_QUERY_INFORMATION, FocusedProcessId());
    if (!process) // unlike Terminate's box: an error that goes to the default handler
        throw std::runtime_error("Could not get process handle.");
    dialog->SetSelectedClass(process->GetPriorityClass());
    if (dialog->exec() != QDialog::Accepted)
        return;
    if (!process->SetPriorityClass(dialog->SelectedClass()))
        ShowError("SetPriorityClass failed.", this);
    if (ProcessList->ItemFocused() >= 0)
        FillThreadList(FocusedProcessId());
}

void TSDIAppForm::ThreadListDblClick(QObject* /*Sender*/)
{
    ChangeThreadPriorityItemClick(ThreadList);
}

void TSDIAppForm::About1Click(QObject* /*Sender*/)
{
    AboutDlg->Execute();
}

} // namespace quorvane
