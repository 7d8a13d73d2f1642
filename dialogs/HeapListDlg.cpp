#include "HeapListDlg.h"

#include "DialogDesign.h"
#include "ExtListView.h"
#include "SnapshotService.h"
#include "ValueTexts.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPushButton>

namespace quorvane {

namespace {
    constexpr int DesignClientWidth = 489;
    constexpr int DesignClientHeight = 276;
    constexpr int DesignIdentifierWidth = 75;
    // Room the list leaves around a cell's text.
    constexpr int CellPadding = 12;

    enum Column { colHandle, colAddress, colSize, colType, colLockCount };

    // The kind by the whole flags value: combinations are no kind of their own.
    QString KindText(uint32_t flags)
    {
        switch (flags) {
        case LF32_FIXED:
            return QStringLiteral("Fixed");
        case LF32_FREE:
            return QStringLiteral("Free");
        case LF32_MOVEABLE:
            return QStringLiteral("Moveable");
        default:
            return QStringLiteral("Unknown");
        }
    }

    // Handles and addresses are 64-bit here: wide enough for sixteen of the widest digit.
    int IdentifierWidth(const QFontMetrics& metrics)
    {
        int digit = 0;
        for (const QChar c : QStringLiteral("0123456789ABCDEF"))
            digit = std::max(digit, metrics.horizontalAdvance(c));
        return std::max(DesignIdentifierWidth,
            metrics.horizontalAdvance(QLatin1Char('$')) + 16 * digit + CellPadding);
    }
}

THeapListDlg::THeapListDlg(SnapshotService& snapshots, QWidget* owner)
    : QDialog(owner)
    , FSnapshots(snapshots)
{
    TDesignLoader loader(this);
    CreateDesign();
    loader.Finish();
}

void THeapListDlg::CreateDesign()
{
    setObjectName(QStringLiteral("HeapListDlg"));
    setWindowTitle(QStringLiteral("Heap List for "));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    HeapList = new TExtListView(this);
    HeapList->setObjectName(QStringLiteral("HeapList"));
    HeapList->setAccessibleName(QStringLiteral("Heap blocks"));
    HeapList->SetVirtualMode(true);
    const int identifierWidth = IdentifierWidth(HeapList->fontMetrics());
    const int wider = 2 * (identifierWidth - DesignIdentifierWidth);
    HeapList->AddColumn({ QStringLiteral("Handle"), identifierWidth, Qt::AlignLeft, false });
    HeapList->AddColumn({ QStringLiteral("Address"), identifierWidth, Qt::AlignLeft, false });
    HeapList->AddColumn({ QStringLiteral("Size"), 75, Qt::AlignLeft, false });
    HeapList->AddColumn({ QStringLiteral("Type"), 75, Qt::AlignLeft, false });
    HeapList->AddColumn({ QStringLiteral("Lock Count"), 72, Qt::AlignLeft, false });
    HeapList->setGeometry(5, 5, 396 + wider, 265);
    HeapList->OnODGetItemInfo
        = [this](QObject*, int Item, int SubItem, TLVODMaskItems, int&, qint32&, int&, int&,
              QString& Text) { Text = CellText(Item, SubItem); };

    Button1 = new QPushButton(QStringLiteral("&Close"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(408 + wider, 8, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(DesignClientWidth + wider, DesignClientHeight);
    CentreOnScreen(*this);
    HeapList->setFocus();
}

// The close button is the cancel button too: Escape presses it.
void THeapListDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Button1->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void THeapListDlg::ListHeapBlocks(uint32_t ProcessID, uint64_t HeapID)
{
    TListUpdate update(*HeapList);
    FRows.Clear();
    try {
        if (const std::unique_ptr<HeapWalk> walk = FSnapshots.CreateHeapWalk()) {
            HEAPENTRY32 block;
            for (bool more = walk->Heap32First(block, ProcessID, HeapID); more;
                 more = walk->Heap32Next(block))
                FRows.Append(block);
        }
    } catch (...) {
        // A damaged heap ends the list; the rows before the damage stay.
        FRows.AppendCorrupt();
    }
    HeapList->SetVirtualItemCount(int(std::min<size_t>(FRows.Count(), INT_MAX)));
}

QString THeapListDlg::CellText(int row, int column) const
{
    if (row < 0 || size_t(row) >= FRows.Count())
        return {};
    if (FRows.IsCorrupt(size_t(row)))
        return column == colHandle ? QStringLiteral("Corrupt Data") : QString();
    const HEAPENTRY32 block = FRows.Block(size_t(row));
    switch (column) {
    case colHandle:
        return HexPointer(block.hHandle);
    case colAddress:
        return HexPointer(block.dwAddress);
    case colSize:
        return QString::number(qulonglong(block.dwBlockSize));
    case colType:
        return KindText(block.dwFlags);
    case colLockCount:
        return QString::number(int32_t(block.dwLockCount));
    default:
        return {};
    }
}

} // namespace quorvane
