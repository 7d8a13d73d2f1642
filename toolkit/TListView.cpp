#include "toolkit/TListView.h"

#include "toolkit/StableOrder.h"
#include "toolkit/TListRowModel.h"
#include "toolkit/TreeViewItems.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>
#include <utility>

namespace quorvane {

TListView::TListView(QWidget* parent)
    : QTreeView(parent)
    , FModel(new TListRowModel(this))
{
    setModel(FModel);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    // As in a report list a column may be narrowed to nothing.
    header()->setMinimumSectionSize(0);
    connect(header(), &QHeaderView::sectionClicked, this,
        [this](int column) { DoColumnClick(column); });
    connect(
        selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { reportState(); });
    connect(
        selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { reportState(); });
    // Rows that go or move take their state along without a word from the selection model.
    connect(FModel, &QAbstractItemModel::modelReset, this, &TListView::takeShownState);
    connect(FModel, &QAbstractItemModel::layoutChanged, this, &TListView::takeShownState);
    connect(FModel, &QAbstractItemModel::rowsRemoved, this, &TListView::takeShownState);
}

// The model and selection model outlive this part of the object: they must not report into it.
TListView::~TListView()
{
    FQuiet = true;
    disconnect(selectionModel(), nullptr, this, nullptr);
    disconnect(FModel, nullptr, this, nullptr);
    disconnect(header(), nullptr, this, nullptr);
}

void TListView::AddColumn(const TListColumn& column)
{
    FModel->AddColumn(column);
    const int index = ColumnCount() - 1;
    const int width
        = column.HoldsPointer ? std::max(column.Width, pointerTextWidth()) : column.Width;
    header()->resizeSection(index, std::max(width, 0));
    FFillPending = column.AutoSizeUseHeader;
}

int TListView::ColumnCount() const
{
    return int(FModel->Columns().size());
}

const TListColumn& TListView::Column(int index) const
{
    return FModel->Columns().at(size_t(index));
}

void TListView::SetColumnWidth(int column, int width)
{
    if (column < 0 || column >= ColumnCount())
        return;
    if (column == ColumnCount() - 1)
        FFillPending = false;
    if (columnWidth(column) != width)
        setColumnWidth(column, std::max(width, 0));
}

// A cell wide enough for "$" and sixteen of the widest hexadecimal digit, with the room the style
// leaves around a cell's text, so that no such value is cut short.
int TListView::pointerTextWidth() const
{
    // Measured as runs: rounding each glyph's advance alone can pick a narrower digit.
    const QFontMetrics metrics = fontMetrics();
    QString widest;
    for (const QChar digit : QStringLiteral("0123456789ABCDEF")) {
        const QString run = QLatin1Char('$') + QString(16, digit);
        if (metrics.horizontalAdvance(run) > metrics.horizontalAdvance(widest))
            widest = run;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = widest;
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width();
}

// The width the columns are shown in: the inner width, less the vertical scroll bar when the rows
// need one. Worked out from the rows: at the first show the viewport is still settling.
int TListView::columnsWidth() const
{
    const QRect inner = contentsRect();
    const Qt::ScrollBarPolicy policy = verticalScrollBarPolicy();
    const bool scrolls = policy == Qt::ScrollBarAlwaysOn
        || (policy == Qt::ScrollBarAsNeeded && ItemCount() > 0
            && qint64(ItemCount()) * sizeHintForRow(0)
                > inner.height() - header()->sizeHint().height());
    return inner.width() - (scrolls ? verticalScrollBar()->sizeHint().width() : 0);
}

// Sized once, when the list is first shown, to the width the other columns leave (at least its
// caption's); from then on it is the user's to resize like any other column.
void TListView::fillWithLastColumn()
{
    if (!FFillPending || !isVisible() || width() <= 0)
        return;
    FFillPending = false;
    const int last = ColumnCount() - 1;
    const int others = header()->length() - header()->sectionSize(last);
    setColumnWidth(last, std::max(columnsWidth() - others, header()->sectionSizeHint(last)));
}

// The view lays itself out here; the first time it does so shown, the last column fills.
void TListView::updateGeometries()
{
    QTreeView::updateGeometries();
    fillWithLastColumn();
}

void TListView::doItemsLayout()
{
    ReserveTreeViewItems(*this, FModel->rowCount());
    QTreeView::doItemsLayout();
    TrimTreeViewItems(*this);
}

int TListView::AddItem()
{
    return FModel->AddRow();
}

int TListView::AddItem(const QString& caption, QStringList subItems, int imageIndex, quint64 data)
{
    const int row = FModel->AddRow();
    if (FModel->CellSource())
        return row;
    TListRowModel::Row& added = FModel->MutableRow(row);
    added.Caption = caption;
    added.SubItems = std::move(subItems);
    added.ImageIndex = imageIndex;
    added.Data = data;
    setTextCell(row, TItemChange::ctText);
    return row;
}

int TListView::ItemCount() const
{
    return FModel->rowCount();
}

void TListView::Clear()
{
    const bool hadState = Selected() >= 0 || ItemFocused() >= 0;
    FPendingSelected = -1;
    FPendingFocused = -1;
    FQuiet = true;
    FModel->ClearRows();
    FQuiet = false;
    // The focused row is gone: its owner hears of it as a state change of no row.
    if (hadState)
        DoChange(-1, TItemChange::ctState);
}

void TListView::ResetRows()
{
    FPendingSelected = -1;
    FPendingFocused = -1;
    FQuiet = true;
    FModel->ClearRows();
    selectionModel()->clear();
    FQuiet = false;
}

bool TListView::validRow(int row) const
{
    return row >= 0 && row < ItemCount();
}

QModelIndex TListView::rowIndex(int row) const
{
    return FModel->index(row, 0);
}

QString TListView::Caption(int row) const
{
    return validRow(row) && !FModel->CellSource() ? FModel->RowAt(row).Caption : QString();
}

void TListView::setTextCell(int row, TItemChange change)
{
    FModel->RowChanged(row);
    if (!Updating())
        DoChange(row, change);
}

void TListView::SetCaption(int row, const QString& caption)
{
    if (!validRow(row) || FModel->CellSource() || FModel->RowAt(row).Caption == caption)
        return;
    FModel->MutableRow(row).Caption = caption;
    setTextCell(row, TItemChange::ctText);
}

QStringList TListView::SubItems(int row) const
{
    return validRow(row) && !FModel->CellSource() ? FModel->RowAt(row).SubItems : QStringList();
}

void TListView::AddSubItem(int row, const QString& text)
{
    if (!validRow(row) || FModel->CellSource())
        return;
    FModel->MutableRow(row).SubItems.append(text);
    setTextCell(row, TItemChange::ctText);
}

void TListView::SetSubItem(int row, int subItem, const QString& text)
{
    if (!validRow(row) || FModel->CellSource() || subItem < 0
        || subItem >= FModel->RowAt(row).SubItems.size()
        || FModel->RowAt(row).SubItems[subItem] == text)
        return;
    FModel->MutableRow(row).SubItems[subItem] = text;
    setTextCell(row, TItemChange::ctText);
}

int TListView::ImageIndex(int row) const
{
    return validRow(row) && !FModel->CellSource() ? FModel->RowAt(row).ImageIndex : -1;
}

void TListView::SetImageIndex(int row, int imageIndex)
{
    if (!validRow(row) || FModel->CellSource() || FModel->RowAt(row).ImageIndex == imageIndex)
        return;
    FModel->MutableRow(row).ImageIndex = imageIndex;
    setTextCell(row, TItemChange::ctImage);
}

quint64 TListView::Data(int row) const
{
    return validRow(row) && !FModel->CellSource() ? FModel->RowAt(row).Data : 0;
}

void TListView::SetData(int row, quint64 data)
{
    if (validRow(row) && !FModel->CellSource())
        FModel->MutableRow(row).Data = data;
}

int TListView::FindData(quint64 data) const
{
    if (FModel->CellSource())
        return -1;
    for (int row = 0; row < FModel->RowCount(); ++row)
        if (FModel->RowAt(row).Data == data)
            return row;
    return -1;
}

bool TListView::IsChecked(int row) const
{
    return validRow(row) && !FModel->CellSource() && FModel->RowAt(row).Checked;
}

void TListView::SetChecked(int row, bool checked)
{
    if (!validRow(row) || FModel->CellSource() || FModel->RowAt(row).Checked == checked)
        return;
    FModel->MutableRow(row).Checked = checked;
    FModel->RowChanged(row);
}

void TListView::SetSubItemImage(int row, int subItem, int imageIndex)
{
    if (FModel->CellSource())
        return;
    FModel->SetSubItemImage(row, subItem, imageIndex);
}

int TListView::SubItemImage(int row, int subItem) const
{
    return FModel->SubItemImage(row, subItem);
}

void TListView::BeginUpdate()
{
    if (FUpdateDepth > 0) {
        ++FUpdateDepth;
        return;
    }
    FPendingSelected = Selected();
    FPendingFocused = ItemFocused();
    FUpdateDepth = 1;
    FModel->BeginReset();
    FModel->SetSilent(true);
}

void TListView::EndUpdate()
{
    if (FUpdateDepth == 0 || --FUpdateDepth > 0)
        return;
    FModel->SetSilent(false);
    FQuiet = true;
    FModel->EndReset();
    // The reset dropped selection and focus; their rows still hold them.
    if (validRow(FPendingSelected))
        selectionModel()->select(rowIndex(FPendingSelected),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (validRow(FPendingFocused))
        selectionModel()->setCurrentIndex(rowIndex(FPendingFocused), QItemSelectionModel::NoUpdate);
    FQuiet = false;
    takeShownState();
}

int TListView::Selected() const
{
    if (Updating())
        return FPendingSelected;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

// Inside an update bracket the view waits: the row is only noted, and both rows told of the change.
void TListView::setPendingRow(int& pending, int row)
{
    const int old = std::exchange(pending, row);
    if (old == row)
        return;
    if (old >= 0)
        DoChange(old, TItemChange::ctState);
    if (row >= 0)
        DoChange(row, TItemChange::ctState);
}

void TListView::SetSelected(int row)
{
    if (!validRow(row))
        row = -1;
    if (Updating()) {
        setPendingRow(FPendingSelected, row);
        return;
    }
    if (row < 0)
        selectionModel()->clearSelection();
    else
        selectionModel()->select(
            rowIndex(row), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int TListView::ItemFocused() const
{
    if (Updating())
        return FPendingFocused;
    const QModelIndex current = selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TListView::SetItemFocused(int row)
{
    if (!validRow(row))
        row = -1;
    if (Updating()) {
        setPendingRow(FPendingFocused, row);
        return;
    }
    if (row == ItemFocused())
        return;
    selectionModel()->setCurrentIndex(
        row < 0 ? QModelIndex() : rowIndex(row), QItemSelectionModel::NoUpdate);
}

bool TListView::IsSelected(int row) const
{
    if (Updating())
        return row >= 0 && row == FPendingSelected;
    return validRow(row) && selectionModel()->isRowSelected(row, QModelIndex());
}

bool TListView::IsFocused(int row) const
{
    return row >= 0 && row == ItemFocused();
}

void TListView::SetSmallImages(const TImageList* images)
{
    FModel->SetImages(images);
    setIconSize(images ? images->Size() : QSize());
}

void TListView::SortItems(const std::function<int(int first, int second)>& compare)
{
    if (FModel->RowCount() < 2 || FModel->CellSource())
        return;
    ApplyOrder(StableOrder(FModel->RowCount(), compare));
}

void TListView::ApplyOrder(const std::vector<int>& order)
{
    const int count = FModel->RowCount();
    if (int(order.size()) != count || FModel->CellSource())
        return;
    std::vector<bool> seen(order.size(), false);
    for (int row : order) {
        if (row < 0 || row >= count || seen[size_t(row)])
            return;
        seen[size_t(row)] = true;
    }
    if (Updating()) {
        std::vector<int> newPosition(static_cast<size_t>(count));
        for (int k = 0; k < count; ++k)
            newPosition[size_t(order[size_t(k)])] = k;
        if (FPendingSelected >= 0)
            FPendingSelected = newPosition[size_t(FPendingSelected)];
        if (FPendingFocused >= 0)
            FPendingFocused = newPosition[size_t(FPendingFocused)];
    }
    FModel->Reorder(order);
}

// Tells the owner once of each row whose selected or focused state differs from what it last
// heard: a keyboard move arrives as a selection change and then a current change, and the row
// that gained both must not be reported twice. Rows that lost their state come first.
void TListView::reportState()
{
    // Inside an update the owner hears of the held state; its end takes the shown state anew.
    if (FQuiet || Updating())
        return;
    const int selected = Selected();
    const int focused = ItemFocused();
    const int wasSelected = std::exchange(FShownSelected, selected);
    const int wasFocused = std::exchange(FShownFocused, focused);
    std::vector<int> changed;
    for (int row : { wasSelected, wasFocused, selected, focused }) {
        const bool differs
            = (row == wasSelected) != (row == selected) || (row == wasFocused) != (row == focused);
        if (row >= 0 && differs && std::find(changed.begin(), changed.end(), row) == changed.end())
            changed.push_back(row);
    }
    for (int row : changed)
        DoChange(row, TItemChange::ctState);
}

void TListView::takeShownState()
{
    FShownSelected = Selected();
    FShownFocused = ItemFocused();
}

void TListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    DoDblClick();
}

// Type-ahead matches the captions, as in a report list, whichever cell of the row was clicked.
void TListView::keyboardSearch(const QString& search)
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.column() != 0)
        selectionModel()->setCurrentIndex(
            current.siblingAtColumn(0), QItemSelectionModel::NoUpdate);
    QTreeView::keyboardSearch(search);
}

void TListView::DoChange(int item, TItemChange change)
{
    if (OnChange)
        OnChange(this, item, change);
}

void TListView::DoDblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TListView::DoColumnClick(int column)
{
    if (OnColumnClick)
        OnColumnClick(this, column);
}

} // namespace quorvane
