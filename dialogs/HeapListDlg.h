#pragma once

#include "HeapBlockRows.h"
#include "TComponent.h"

#include <QDialog>

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
    // that fails ends in the row "Corrupt Data".
    void ListHeapBlocks(uint32_t ProcessID, uint64_t HeapID);

    const HeapBlockRows& Rows() const { return FRows; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateDesign();
    // The text of one cell, as the list asks for it.
    QString CellText(int row, int column) const;

    SnapshotService& FSnapshots;
    HeapBlockRows FRows;
};

} // namespace quorvane
