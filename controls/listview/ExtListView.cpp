#include "controls/listview/ExtListView.h"

#include "controls/listview/TListSortKeys.h"
#include "toolkit/StableOrder.h"
#include "toolkit/TApplication.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QStyledItemDelegate>
#include <numeric>

namespace quorvane {

namespace {
    // Shared by every list: the sort that runs sets it, its comparison reads it.
    int sortDirection = 1;

    // Without full-row selection only the caption cell shows the selection.
    class TCellDelegate : public QStyledItemDelegate {
    public:
        explicit TCellDelegate(QObject* parent)
            : QStyledItemDelegate(parent)
        {
        }
        bool FullRow = false;

        void paint(QPainter* painter, const QStyleOptionViewItem& option,
            const QModelIndex& index) const override
        {
            QStyleOptionViewItem cell(option);
            if (!FullRow && index.column() != 0)
                cell.state &= ~QStyle::State_Selected;
            QStyledItemDelegate::paint(painter, cell, index);
        }
    };

    constexpr unsigned lvifText = 0x01;
    constexpr unsigned lvifImage = 0x02;
    constexpr unsigned lvifMaskBits = 0x1F;
}

TExtListView::TExtListView(QWidget* parent)
    : TListView(parent)
{
    setItemDelegate(new TCellDelegate(this));
    applyStyles();
}

TExtListView::~TExtListView()
{
    RunHandler([this] { StoreSettings(); });
}

TLVExtendedStyles TExtListView::ExtendedStyles() const
{
    return TLVExtendedStyles::fromInt(int(FStyleWord & ExtendedStyleBits));
}

void TExtListView::SetExtendedStyles(TLVExtendedStyles styles)
{
    SetExtendedStyleWord(quint32(styles.toInt()) & ExtendedStyleBits);
}

void TExtListView::SetExtendedStyleWord(quint32 word)
{
    FStyleWord = word;
    applyStyles();
}

void TExtListView::applyStyles()
{
    RowModel()->SetSubItemImages(hasStyle(lvxSubItemImages));
    RowModel()->SetCheckable(hasStyle(lvxCheckboxes));
    setMouseTracking(hasStyle(lvxTrackSelect));
    header()->setSectionsMovable(hasStyle(lvxHeaderDragDrop));
    // A tree keeps its first column in place; a list lets every column move.
    header()->setFirstSectionMovable(hasStyle(lvxHeaderDragDrop));
    setAllColumnsShowFocus(hasStyle(lvxFullRowSelect));
    if (auto* cells = dynamic_cast<TCellDelegate*>(itemDelegate()))
        cells->FullRow = hasStyle(lvxFullRowSelect);
    viewport()->update();
}

void TExtListView::SetVirtualMode(bool value)
{
    if (value == FVirtualMode)
        return;
    FVirtualMode = value;
    if (IsLoading()) {
        RowModel()->SetCellSource(value ? this : nullptr);
        return;
    }
    // The view starts over as a new one: no rows, no extended styles; the columns stay.
    ResetRows();
    RowModel()->SetCellSource(value ? this : nullptr);
    FHintFrom = FHintTo = -1;
    SetExtendedStyleWord(0);
    StoreSettings();
}

void TExtListView::SetVirtualItemCount(int count)
{
    if (FVirtualMode)
        RowModel()->SetVirtualCount(count);
}

void TExtListView::SetAutoSortAscending(bool value)
{
    if (value == FAutoSortAscending)
        return;
    FAutoSortAscending = value;
    FSortAscending = value;
}

void TExtListView::SetColumnOrder(std::span<const int> order)
{
    const int count = ColumnCount();
    if (int(order.size()) == count) {
        std::vector<bool> seen(size_t(count), false);
        bool permutation = true;
        for (int column : order) {
            permutation = permutation && column >= 0 && column < count && !seen[size_t(column)];
            if (permutation)
                seen[size_t(column)] = true;
        }
        for (int position = 0; permutation && position < count; ++position) {
            const int from = header()->visualIndex(order[size_t(position)]);
            if (from != position)
                header()->moveSection(from, position);
        }
    }
    header()->viewport()->update();
    viewport()->update();
}

bool TExtListView::GetColumnOrder(std::span<int> order) const
{
    const int count = ColumnCount();
    if (count == 0 || int(order.size()) != count)
        return false;
    for (int position = 0; position < count; ++position)
        order[size_t(position)] = header()->logicalIndex(position);
    return true;
}

int TExtListView::SortDirectionFactor()
{
    return sortDirection;
}

void TExtListView::SortColumn(int column, bool ascending)
{
    sortDirection = ascending ? 1 : -1;
    if (FVirtualMode || ItemCount() < 2)
        return;
    // Each cell is parsed once per sort, not once per comparison.
    TListSortKeys keys { QLocale() };
    const int count = ItemCount();
    keys.Reserve(count);
    // The texts lie scattered over the heap, the more so after an earlier sort: asking for them
    // a few rows ahead overlaps the waits for memory.
    constexpr int ahead = 8;
    for (int row = 0; row < count; ++row) {
        if (row + 2 * ahead < count)
            __builtin_prefetch(RowModel()->RowAt(row + 2 * ahead).SubItems.constData());
        if (row + ahead < count)
            if (const QString* text = cellOf(row + ahead, column - 1))
                __builtin_prefetch(text->constData());
        keys.Add(cellOf(row, column - 1));
    }
    ApplyOrder(StableOrder(ItemCount(),
        [&keys](int first, int second) { return keys.Compare(first, second) * sortDirection; }));
}

const QString* TExtListView::cellOf(int row, int sortParam) const
{
    const TListRowModel::Row& r = RowModel()->RowAt(row);
    if (sortParam == -1)
        return &r.Caption;
    return sortParam >= 0 && sortParam < r.SubItems.size() ? &r.SubItems[sortParam] : nullptr;
}

int TExtListView::CompareListItems(int first, int second, int sortParam) const
{
    if (FVirtualMode || first < 0 || second < 0 || first >= ItemCount() || second >= ItemCount())
        return 0;
    TListSortKeys keys { QLocale() };
    keys.Add(cellOf(first, sortParam));
    keys.Add(cellOf(second, sortParam));
    return keys.Compare(0, 1) * sortDirection;
}

void TExtListView::Resort()
{
    if (FAutoColumnSort != acsNoSort && FSortColumn >= 0 && FSortColumn < ColumnCount())
        SortColumn(FSortColumn, FSortAscending);
}

void TExtListView::DoColumnClick(int column)
{
    TListView::DoColumnClick(column);
    if (FAutoColumnSort == acsSortToggle)
        FSortAscending = column == FSortColumn ? !FSortAscending : FAutoSortAscending;
    if (FAutoColumnSort != acsNoSort && column < ColumnCount()) {
        SortColumn(column, FSortAscending);
        FSortColumn = column;
    }
}

bool TExtListView::settingsApply() const
{
    return FSaveSettings.AutoSave() && !(ComponentState() & csDesigning) && ColumnCount() > 0;
}

void TExtListView::StoreSettings()
{
    if (!settingsApply())
        return;
    std::vector<int> buffer(static_cast<size_t>(ColumnCount()));
    if (FSaveSettings.SaveColumnOrder()) {
        if (!GetColumnOrder(buffer))
            std::iota(buffer.begin(), buffer.end(), 0);
        FSaveSettings.WriteColumnOrder(buffer);
    }
    if (FSaveSettings.SaveColumnSizes()) {
        for (int column = 0; column < ColumnCount(); ++column)
            buffer[size_t(column)] = columnWidth(column);
        FSaveSettings.WriteColumnSizes(buffer);
    }
}

void TExtListView::RestoreSettings()
{
    if (!settingsApply())
        return;
    const int count = ColumnCount();
    std::vector<int> buffer(static_cast<size_t>(count));
    if (FSaveSettings.SaveColumnOrder()) {
        const int stored = FSaveSettings.ReadColumnOrder(buffer);
        // A shorter stored order keeps its entries; the columns it does not name follow in
        // collection order.
        if (stored > 0 && stored < count) {
            std::vector<bool> named(size_t(count), false);
            for (int k = 0; k < stored; ++k)
                if (buffer[size_t(k)] >= 0 && buffer[size_t(k)] < count)
                    named[size_t(buffer[size_t(k)])] = true;
            int next = stored;
            for (int column = 0; column < count; ++column)
                if (!named[size_t(column)] && next < count)
                    buffer[size_t(next++)] = column;
        }
        SetColumnOrder(buffer);
    }
    if (FSaveSettings.SaveColumnSizes()) {
        // A shorter stored list leaves the remaining columns at their current widths.
        for (int column = 0; column < count; ++column)
            buffer[size_t(column)] = columnWidth(column);
        FSaveSettings.ReadColumnSizes(buffer);
        if (buffer[0] != -1)
            for (int column = 0; column < count; ++column)
                SetColumnWidth(column, buffer[size_t(column)]);
    }
}

void TExtListView::Loaded()
{
    TListView::Loaded();
    RestoreSettings();
}

bool TExtListView::DoMarqueeBegin()
{
    bool canBegin = true;
    if (OnMarqueeBegin)
        OnMarqueeBegin(this, canBegin);
    return canBegin;
}

void TExtListView::DoItemActivate()
{
    if (OnItemActivate)
        OnItemActivate(this);
}

void TExtListView::DoODGetItemInfo(TLVItemRequest& request)
{
    if (request.Item == -1 || !OnODGetItemInfo)
        return;
    QString text;
    int state = request.State;
    const TLVODMaskItems mask = TLVODMaskItems::fromInt(int(request.Mask & lvifMaskBits));
    OnODGetItemInfo(this, request.Item, request.SubItem, mask, request.Image, request.Param, state,
        request.Indent, text);
    if ((request.Mask & lvifText) && request.Text && request.TextMax > 0) {
        qsizetype length = std::min<qsizetype>(text.size(), request.TextMax - 1);
        // Never leave half of a surrogate pair at the cut.
        if (length > 0 && length < text.size() && text[length - 1].isHighSurrogate())
            --length;
        std::copy_n(text.utf16(), length, request.Text);
        request.Text[length] = u'\0';
    }
    request.State = state;
}

void TExtListView::DoODCacheHint(TLVCacheHint& hintInfo)
{
    if (OnODCacheHint)
        OnODCacheHint(this, hintInfo);
}

bool TExtListView::DoODFindItem(TLVFindItem& findInfo)
{
    bool found = false;
    if (OnODFindItem)
        OnODFindItem(this, findInfo, found);
    return found;
}

void TExtListView::DoODStateChanged(TLVODStateChange& stateInfo)
{
    if (OnODStateChanged)
        OnODStateChanged(this, stateInfo);
}

void TExtListView::FetchCell(int row, int column, bool wantImage, QString& text, int& image)
{
    char16_t buffer[CellTextMax] = {};
    TLVItemRequest request;
    request.Mask = lvifText | (wantImage ? lvifImage : 0);
    request.Item = row;
    request.SubItem = column;
    request.Text = buffer;
    request.TextMax = CellTextMax;
    DoODGetItemInfo(request);
    text = QString::fromUtf16(buffer);
    image = wantImage ? request.Image : -1;
}

void TExtListView::paintEvent(QPaintEvent* event)
{
    if (FVirtualMode && ItemCount() > 0) {
        const QModelIndex top = indexAt(QPoint(0, 0));
        const QModelIndex bottom = indexAt(QPoint(0, viewport()->height() - 1));
        const int from = top.isValid() ? top.row() : 0;
        const int to = bottom.isValid() ? bottom.row() : ItemCount() - 1;
        if (from != FHintFrom || to != FHintTo) {
            FHintFrom = from;
            FHintTo = to;
            TLVCacheHint hint { { this, lvnODCacheHint }, from, to };
            DoODCacheHint(hint);
        }
        // Each paint asks again for every cell it shows.
        RowModel()->ForgetCachedCell();
    }
    TListView::paintEvent(event);
}

void TExtListView::drawRow(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    TListView::drawRow(painter, option, index);
    if (!hasStyle(lvxGridLines))
        return;
    painter->save();
    painter->setPen(palette().color(QPalette::Mid));
    const QRect rect = option.rect;
    painter->drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    for (int position = 0; position < header()->count(); ++position) {
        const int column = header()->logicalIndex(position);
        const int right
            = header()->sectionViewportPosition(column) + header()->sectionSize(column) - 1;
        painter->drawLine(right, rect.top(), right, rect.bottom());
    }
    painter->restore();
}

int TExtListView::rowAt(const QPoint& position) const
{
    const QModelIndex index = indexAt(position);
    return index.isValid() ? index.row() : -1;
}

void TExtListView::mousePressEvent(QMouseEvent* event)
{
    FPressPosition = event->position().toPoint();
    FPressedRow = rowAt(FPressPosition);
    FPressedRowWasSelected = FPressedRow >= 0 && IsSelected(FPressedRow);
    TListView::mousePressEvent(event);
    if (FVirtualMode || FPressedRow >= 0 || event->button() != Qt::LeftButton)
        return;
    // A press on no row may start a marquee, unless the owner refuses.
    if (!DoMarqueeBegin())
        return;
    FMarqueeOrigin = event->position().toPoint();
    if (!FMarquee)
        FMarquee = new QRubberBand(QRubberBand::Rectangle, viewport());
    FMarquee->setGeometry(QRect(FMarqueeOrigin, QSize()));
    FMarquee->show();
}

void TExtListView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    if (FMarquee && FMarquee->isVisible()) {
        FMarquee->setGeometry(QRect(FMarqueeOrigin, position).normalized());
        return;
    }
    // A drag that started on no row is a marquee or nothing; it never selects rows it crosses.
    if (FPressedRow < 0 && (event->buttons() & Qt::LeftButton))
        return;
    if (hasStyle(lvxTrackSelect) && event->buttons() == Qt::NoButton) {
        const int row = rowAt(position);
        if (row >= 0 && !(IsSelected(row) && IsFocused(row)))
            selectionModel()->setCurrentIndex(RowModel()->index(row, 0),
                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    TListView::mouseMoveEvent(event);
}

void TExtListView::finishMarquee(const QPoint& end)
{
    const QRect band = QRect(FMarqueeOrigin, end).normalized();
    FMarquee->hide();
    // One row can be selected: the one the marquee ends on, else the nearest one it covers.
    int row = rowAt(QPoint(std::clamp(end.x(), 0, viewport()->width() - 1), end.y()));
    if (row < 0) {
        const int top = rowAt(QPoint(0, band.top()));
        const int bottom = rowAt(QPoint(0, band.bottom()));
        row = end.y() <= FMarqueeOrigin.y() ? top : bottom;
    }
    if (row >= 0 && band.height() > 0)
        selectionModel()->setCurrentIndex(RowModel()->index(row, 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TExtListView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    const int pressedRow = std::exchange(FPressedRow, -1);
    if (pressedRow < 0 && event->button() == Qt::LeftButton) {
        // Released where it was pressed, as far as the base knows: a press on no row selects
        // nothing on release either.
        QMouseEvent release(event->type(), FPressPosition, viewport()->mapToGlobal(FPressPosition),
            event->button(), event->buttons(), event->modifiers());
        TListView::mouseReleaseEvent(&release);
        if (FMarquee && FMarquee->isVisible())
            finishMarquee(position);
        return;
    }
    TListView::mouseReleaseEvent(event);
    if (FVirtualMode || event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(position);
    if (row < 0 || row != pressedRow)
        return;
    if (hasStyle(lvxOneClickActivate) || (hasStyle(lvxTwoClickActivate) && FPressedRowWasSelected))
        DoItemActivate();
}

void TExtListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    TListView::mouseDoubleClickEvent(event);
    if (!FVirtualMode && !hasStyle(lvxOneClickActivate) && !hasStyle(lvxTwoClickActivate)
        && rowAt(event->position().toPoint()) >= 0)
        DoItemActivate();
}

void TExtListView::keyPressEvent(QKeyEvent* event)
{
    if (!FVirtualMode && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && ItemFocused() >= 0) {
        DoItemActivate();
        event->accept();
        return;
    }
    TListView::keyPressEvent(event);
}

// As a list with rows of its own searches: a new search starts below the focused row, and a key
// typed again and again steps through the rows that start with it.
void TExtListView::keyboardSearch(const QString& search)
{
    if (!FVirtualMode) {
        TListView::keyboardSearch(search);
        return;
    }
    if (search.isEmpty() || ItemCount() == 0)
        return;
    const bool fresh = !FTypeAheadTimer.isValid()
        || FTypeAheadTimer.elapsed() > QApplication::keyboardInputInterval();
    FTypeAheadTimer.start();
    FTypeAhead = fresh ? search : FTypeAhead + search;
    const bool sameKey
        = FTypeAhead.size() > 1 && FTypeAhead.count(FTypeAhead.back()) == FTypeAhead.size();
    const int focused = ItemFocused();
    TLVFindItem find;
    find.Header = { this, lvnODFindItem };
    find.Start = std::max(focused, 0);
    if ((fresh && focused >= 0) || sameKey)
        find.Start = (find.Start + 1) % ItemCount();
    find.Flags = lvfiString | lvfiPartial | lvfiWrap;
    find.Text = sameKey ? FTypeAhead.left(1) : FTypeAhead;
    if (!DoODFindItem(find) || find.Found < 0 || find.Found >= ItemCount())
        return;
    const QModelIndex index = RowModel()->index(find.Found, 0);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void TExtListView::reportRange(const QItemSelection& ranges, unsigned newState, unsigned oldState)
{
    for (const QItemSelectionRange& range : ranges) {
        TLVODStateChange change { { this, lvnODStateChanged }, range.top(), range.bottom(),
            newState, oldState };
        DoODStateChanged(change);
    }
}

void TExtListView::selectionChanged(
    const QItemSelection& selected, const QItemSelection& deselected)
{
    TListView::selectionChanged(selected, deselected);
    if (!FVirtualMode)
        return;
    reportRange(deselected, 0, lvisSelected);
    reportRange(selected, lvisSelected, 0);
}

} // namespace quorvane
