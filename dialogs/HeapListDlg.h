#pragma once

#include "controls/listview/ExtListViewTypes.h"
#include "dialogs/HeapBlockRows.h"
#include "toolkit/TComponent.h"

#include <QDialog>
#include <optional>

class QPushButton;

namespace quorvane {

class SnapshotService;
class TExtListView;

// The blocks of one heap of one process, walked once before the dialog is shown. The rows are
// virtual: the blocks are kept compactly and each text is made when the list paints it.
class THeapListDlg : public QDialog, public TComponent {
    Q_OBJECT
public:
    THeapListDlg(SnapshotService& snapshots, QWidget* owner = nullptr);

    TExtListView* HeapList = nullptr;
    QPushButton* Button1 = nullptr;

    // Fills HeapList with the blocks of heap HeapID of process ProcessID in walk order; a walk
    // that meets a damaged heap ends in the row "Corrupt Data". Any other failure, running out
    // of memory among them, leaves the list empty and goes to the caller.
    void ListHeapBlocks(uint32_t ProcessID, uint64_t HeapID);
    // Type-ahead in HeapList: the row whose first column starts with (or, without lvfiPartial,
    // reads) the text typed, ignoring case, from the start row on, wrapping with lvfiWrap.
    void HeapListODFindItem(QObject* Sender, TLVFindItem& FindInfo, bool& Found);

    const HeapBlockRows& Rows() const { return FRows; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateDesign();
    // The text of one cell, as the list asks for it.
    QString CellText(int row, int column) const;
    // The first row in [from, to) whose first column matches text.
    std::optional<size_t> FindCaption(
        size_t from, size_t to, const QString& text, bool partial) const;

    SnapshotService& FSnapshots;
    HeapBlockRows FRows;
};

} // namespace quorvane
