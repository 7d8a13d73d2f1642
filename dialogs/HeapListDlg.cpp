#include "dialogs/HeapListDlg.h"

#include "controls/listview/ExtListView.h"
#include "dialogs/DialogDesign.h"
#include "dialogs/ValueTexts.h"
#include "platform/heap/HeapWalkError.h"
#include "platform/snapshot/SnapshotService.h"

#include <QKeyEvent>
#include <QPushButton>
#include <array>
#include <optional>
#include <span>

namespace quorvane {

namespace {
    constexpr int DesignClientWidth = 489;
    constexpr int DesignClientHeight = 276;
    constexpr int DesignIdentifierWidth = 75;
    const QString CorruptData = QStringLiteral("Corrupt Data");

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

    // The handles whose text ("$" and 16 hexadecimal digits) starts with text, or reads it
    // whole; nothing when no handle's text can.
    std::optional<std::pair<uint64_t, uint64_t>> HandleRange(const QString& text, bool partial)
    {
        const qsizetype digits = text.size() - 1;
        if (!text.startsWith(QLatin1Char('$')) || digits > 16 || (!partial && digits != 16))
            return std::nullopt;
        if (digits == 0)
            return std::pair<uint64_t, uint64_t>(0, UINT64_MAX);
        uint64_t value = 0;
        for (const QChar c : QStringView(text).mid(1)) {
            const int digit = QStringLiteral("0123456789ABCDEF").indexOf(c);
            if (digit < 0)
                return std::nullopt;
            value = value << 4 | uint64_t(digit);
        }
        const int shift = int(4 * (16 - digits));
        const uint64_t low = shift == 64 ? 0 : value << shift;
        const uint64_t rest = shift == 0 ? 0 : (uint64_t(1) << shift) - 1;
        return std::pair<uint64_t, uint64_t>(low, low | rest);
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
    // First, so that the columns below fit their values in the designed font.
    SetFixedDialogBorder(*this, DesignClientWidth, DesignClientHeight);

    HeapList = new TExtListView(this);
    HeapList->setObjectName(QStringLiteral("HeapList"));
    HeapList->setAccessibleName(QStringLiteral("Heap blocks"));
    HeapList->SetVirtualMode(true);
    HeapList->AddColumn(
        { QStringLiteral("Handle"), DesignIdentifierWidth, Qt::AlignLeft, false, true });
    HeapList->AddColumn(
        { QStringLiteral("Address"), DesignIdentifierWidth, Qt::AlignLeft, false, true });
    HeapList->AddColumn({ QStringLiteral("Size"), 75, Qt::AlignLeft, false });
    HeapList->AddColumn({ QStringLiteral("Type"), 75, Qt::AlignLeft, false });
    HeapList->AddColumn({ QStringLiteral("Lock Count"), 72, Qt::AlignLeft, false });
    // The list and the dialog grow by what the two pointer columns took beyond their design.
    const int wider = HeapList->columnWidth(colHandle) + HeapList->columnWidth(colAddress)
        - 2 * DesignIdentifierWidth;
    HeapList->setGeometry(5, 5, 396 + wider, 265);
    HeapList->OnODGetItemInfo
        = [this](QObject*, int Item, int SubItem, TLVODMaskItems, int&, qint32&, int&, int&,
              QString& Text) { Text = CellText(Item, SubItem); };
    HeapList->OnODFindItem = [this](QObject* Sender, TLVFindItem& FindInfo, bool& Found) {
        HeapListODFindItem(Sender, FindInfo, Found);
    };

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
    // Until the walk ends the list shows nothing: a failure leaves no rows it does not have.
    HeapList->SetVirtualItemCount(0);
    try {
        if (const std::unique_ptr<HeapWalk> walk = FSnapshots.CreateHeapWalk()) {
            // Taken in batches: a heap may hold millions of blocks.
            std::array<HEAPENTRY32, 256> batch;
            if (walk->Heap32First(batch.front(), ProcessID, HeapID)) {
                FRows.Append(batch.front());
                while (const size_t count = walk->Heap32NextBlocks(batch))
                    FRows.Append(std::span(batch).first(count));
            }
        }
    } catch (const HeapWalkError&) {
        // A damaged heap ends the list; the rows before the damage stay.
        FRows.AppendCorrupt();
    }
    HeapList->SetVirtualItemCount(int(std::min<size_t>(FRows.Count(), INT_MAX)));
}

void THeapListDlg::HeapListODFindItem(QObject*, TLVFindItem& FindInfo, bool& Found)
{
    const size_t count = std::min<size_t>(FRows.Count(), INT_MAX);
    if (!(FindInfo.Flags & lvfiString) || count == 0)
        return;
    const size_t start = size_t(std::clamp<qint64>(FindInfo.Start, 0, qint64(count) - 1));
    const bool partial = FindInfo.Flags & lvfiPartial;
    std::optional<size_t> row = FindCaption(start, count, FindInfo.Text, partial);
    if (!row && (FindInfo.Flags & lvfiWrap))
        row = FindCaption(0, start, FindInfo.Text, partial);
    Found = row.has_value();
    if (Found)
        FindInfo.Found = int(*row);
}

std::optional<size_t> THeapListDlg::FindCaption(
    size_t from, size_t to, const QString& text, bool partial) const
{
    if (const auto handles = HandleRange(text.toUpper(), partial)) {
        const size_t row = FRows.FindHandle(from, to, handles->first, handles->second);
        if (row < to)
            return row;
    }
    const size_t last = FRows.Count() - 1;
    const bool matches = partial ? CorruptData.startsWith(text, Qt::CaseInsensitive)
                                 : CorruptData.compare(text, Qt::CaseInsensitive) == 0;
    if (FRows.IsCorrupt(last) && last >= from && last < to && matches)
        return last;
    return std::nullopt;
}

QString THeapListDlg::CellText(int row, int column) const
{
    if (row < 0 || size_t(row) >= FRows.Count())
        return {};
    if (FRows.IsCorrupt(size_t(row)))
        return column == colHandle ? CorruptData : QString();
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
