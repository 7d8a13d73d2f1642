#pragma once

#include "controls/listview/ExtListView.h"
#include "platform/snapshot/ToolHelp.h"
#include "toolkit/TComponent.h"
#include "toolkit/TImageList.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QFrame;
class QMenu;
class QMenuBar;
class QToolButton;

namespace quorvane {

class ProcessRowTexts;
class ProcessRows;
class ShellInfo;
class TAboutDlg;
class TPlacement;
class ToxQuadSplit;
class SnapshotService;
class ToolhelpSnapshot;

// The main window: the process list, the thread, module and heap lists of the focused process,
// and the commands on it.
class TSDIAppForm : public QMainWindow, public TComponent {
    Q_OBJECT
public:
    TSDIAppForm(SnapshotService& snapshots, ShellInfo& shell, QWidget* parent = nullptr);
    ~TSDIAppForm() override;

    // Components, in their declaration order. The window owns them all.
    QMenuBar* MainMenu = nullptr;
    QMenu* FileMenu = nullptr;
    QAction* ExitItem = nullptr;
    QMenu* Help1 = nullptr;
    QAction* About1 = nullptr;
    QWidget* SpeedPanel = nullptr;
    QToolButton* OpenBtn = nullptr;
    QToolButton* KillBtn = nullptr;
    QToolButton* ExitBtn = nullptr;
    ToxQuadSplit* QuadSplit = nullptr;
    TImageList ImageList;
    QFrame* Bevel1 = nullptr;
    QMenu* ProcessMenu = nullptr;
    QAction* RefreshItem = nullptr;
    QAction* TerminateProcessItem = nullptr;
    TAboutDlg* AboutDlg = nullptr;
    TExtListView* ProcessList = nullptr;
    TExtListView* ThreadList = nullptr;
    TExtListView* ModuleList = nullptr;
    TExtListView* HeapListList = nullptr;
    QAction* N1 = nullptr;
    TPlacement* Placement = nullptr;
    QAction* HeapListItem = nullptr;
    QAction* ChangeThreadPriorityItem = nullptr;
    QAction* ShowWarningsItem = nullptr;

    // Event handlers
    void FormCreate(QObject* Sender);
    void FormDestroy(QObject* Sender);
    void WMActivateApp(Qt::ApplicationState state);
    void ExitItemClick(QObject* Sender);
    void ProcessMenuClick(QObject* Sender);
    void RefreshItemClick(QObject* Sender);
    void ShowWarningsItemClick(QObject* Sender);
    void ProcessListChange(QObject* Sender, int Item, TItemChange Change);
    void HeapListItemClick(QObject* Sender);
    void HeapListListDblClick(QObject* Sender);
    void TerminateProcessItemClick(QObject* Sender);
    void ChangeThreadPriorityItemClick(QObject* Sender);
    void ThreadListDblClick(QObject* Sender);
    void About1Click(QObject* Sender);

    // The process list
    void FillProcessList();
    // Appends the row of one process, the one of the last fill when its record is unchanged.
    void AddProcessItem(const PROCESSENTRY32& process);

    // The lists of the focused process
    void FillThreadList(uint32_t processId);
    void FillModuleList(uint32_t processId);
    void FillHeapList(uint32_t processId);
    void AddThreadItem(const THREADENTRY32& thread);
    void AddModuleItem(const MODULEENTRY32& module);
    void AddHeapItem(const HEAPLIST32& heap);
    void ShowModuleUsage();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateDesign();
    void CreateMenus();
    void CreateSpeedPanel();
    void CreateLists();
    void AddProcessShortcut(QAction* item);
    uint32_t FocusedProcessId() const;
    QString FocusedProcessName() const;
    void FillDetailList(TListView& list, uint32_t kind, uint32_t processId,
        const std::function<void(ToolhelpSnapshot&)>& walk);

    SnapshotService& FSnapshots;
    ShellInfo& FShell;
    // Texts many rows share, and the rows of the last fill.
    std::unique_ptr<ProcessRowTexts> FRowTexts;
    std::unique_ptr<ProcessRows> FRows;
    // The list was filled at creation and has not been refreshed since.
    bool FFilledForFirstShow = false;
};

} // namespace quorvane
