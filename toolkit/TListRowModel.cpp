#include "toolkit/TListRowModel.h"

namespace quorvane {

TListRowModel::TListRowModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int TListRowModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return FSource ? FVirtualCount : RowCount();
}

int TListRowModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(FColumns.size());
}

QVariant TListRowModel::data(const QModelIndex& index, int role) const
{
    // A view may paint between a silent change and the reset that ends it: check every index.
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(FColumns[size_t(index.column())].Alignment | Qt::AlignVCenter);
    return FSource ? virtualData(index, role) : storedData(index, role);
}

QVariant TListRowModel::storedData(const QModelIndex& index, int role) const
{
    const Row& row = FRows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return CellText(index.row(), index.column());
    case Qt::DecorationRole:
        if (index.column() == 0)
            return icon(row.ImageIndex);
        return FSubItemImagesShown ? icon(SubItemImage(index.row(), index.column() - 1))
                                   : QVariant();
    case Qt::CheckStateRole:
        if (FCheckable && index.column() == 0)
            return row.Checked ? Qt::Checked : Qt::Unchecked;
        return {};
    default:
        return {};
    }
}

void TListRowModel::fetchVirtual(int row, int column) const
{
    if (row == FCachedRow && column == FCachedColumn)
        return;
    FCachedText.clear();
    FCachedImage = -1;
    const bool wantImage = column == 0 || FSubItemImagesShown;
    FSource->FetchCell(row, column, wantImage, FCachedText, FCachedImage);
    FCachedRow = row;
    FCachedColumn = column;
}

QVariant TListRowModel::virtualData(const QModelIndex& index, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        fetchVirtual(index.row(), index.column());
        return FCachedText;
    case Qt::DecorationRole:
        fetchVirtual(index.row(), index.column());
        return icon(FCachedImage);
    default:
        return {};
    }
}

bool TListRowModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !FCheckable || FSource || !index.isValid()
        || index.row() >= RowCount())
        return false;
    FRows[size_t(index.row())].Checked = value.toInt() == Qt::Checked;
    RowChanged(index.row());
    return true;
}

QVariant TListRowModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    const TListColumn& column = FColumns[size_t(section)];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return column.Caption;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.Alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags TListRowModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (FCheckable && !FSource && index.column() == 0)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

void TListRowModel::AddColumn(const TListColumn& column)
{
    const int at = columnCount();
    if (!FSilent)
        beginInsertColumns(QModelIndex(), at, at);
    FColumns.push_back(column);
    if (!FSilent)
        endInsertColumns();
}

int TListRowModel::AddRow()
{
    const int at = RowCount();
    const bool tell = !FSilent && !FSource;
    if (tell)
        beginInsertRows(QModelIndex(), at, at);
    FRows.emplace_back();
    if (tell)
        endInsertRows();
    return at;
}

void TListRowModel::ClearRows()
{
    const bool tell = !FSilent && !FSource;
    if (tell)
        beginResetModel();
    FRows.clear();
    // Inside an update bracket a refill follows: the room is kept for it, and what it leaves
    // over is given back at the bracket's end.
    if (!FSilent)
        FRows.shrink_to_fit();
    FSubItemImages.clear();
    if (tell)
        endResetModel();
}

void TListRowModel::RowChanged(int row)
{
    if (FSilent || FSource)
        return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void TListRowModel::Reorder(const std::vector<int>& newOrder)
{
    if (newOrder.size() != FRows.size())
        return;
    const bool tell = !FSilent && !FSource;
    if (tell)
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<Row> rows;
    rows.reserve(FRows.size());
    std::vector<int> newPosition(FRows.size());
    for (size_t k = 0; k < newOrder.size(); ++k) {
        rows.push_back(std::move(FRows[size_t(newOrder[k])]));
        newPosition[size_t(newOrder[k])] = int(k);
    }
    FRows = std::move(rows);
    if (!FSubItemImages.empty()) {
        std::vector<std::vector<int>> images(FRows.size());
        for (size_t k = 0; k < newOrder.size(); ++k)
            if (size_t(newOrder[k]) < FSubItemImages.size())
                images[k] = std::move(FSubItemImages[size_t(newOrder[k])]);
        FSubItemImages = std::move(images);
    }
    if (!tell)
        return;
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.append(index(newPosition[size_t(old.row())], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QString TListRowModel::CellText(int row, int column) const
{
    const Row& r = FRows[size_t(row)];
    if (column == 0)
        return r.Caption;
    return column - 1 < r.SubItems.size() ? r.SubItems[column - 1] : QString();
}

QVariant TListRowModel::icon(int imageIndex) const
{
    if (!FImages || imageIndex < 0 || imageIndex >= FImages->Count())
        return {};
    return FImages->Image(imageIndex);
}

void TListRowModel::allChanged()
{
    if (FSilent || rowCount() == 0 || columnCount() == 0)
        return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void TListRowModel::SetImages(const TImageList* images)
{
    FImages = images;
    allChanged();
}

void TListRowModel::SetCheckable(bool checkable)
{
    if (FCheckable == checkable)
        return;
    FCheckable = checkable;
    allChanged();
}

void TListRowModel::SetSubItemImages(bool shown)
{
    if (FSubItemImagesShown == shown)
        return;
    FSubItemImagesShown = shown;
    ForgetCachedCell();
    allChanged();
}

void TListRowModel::SetSubItemImage(int row, int subItem, int imageIndex)
{
    if (row < 0 || row >= RowCount() || subItem < 0)
        return;
    if (FSubItemImages.size() < FRows.size())
        FSubItemImages.resize(FRows.size());
    std::vector<int>& images = FSubItemImages[size_t(row)];
    if (images.size() <= size_t(subItem))
        images.resize(size_t(subItem) + 1, -1);
    images[size_t(subItem)] = imageIndex;
    RowChanged(row);
}

int TListRowModel::SubItemImage(int row, int subItem) const
{
    if (row < 0 || size_t(row) >= FSubItemImages.size() || subItem < 0)
        return -1;
    const std::vector<int>& images = FSubItemImages[size_t(row)];
    return size_t(subItem) < images.size() ? images[size_t(subItem)] : -1;
}

void TListRowModel::SetCellSource(TListCellSource* source)
{
    if (FSource == source)
        return;
    beginResetModel();
    FSource = source;
    FVirtualCount = 0;
    ForgetCachedCell();
    endResetModel();
}

void TListRowModel::SetVirtualCount(int count)
{
    count = std::max(count, 0);
    if (!FSource || count == FVirtualCount)
        return;
    ForgetCachedCell();
    // Inside an update bracket the reset that closes it tells the views.
    if (FSilent) {
        FVirtualCount = count;
        return;
    }
    if (count > FVirtualCount) {
        beginInsertRows(QModelIndex(), FVirtualCount, count - 1);
        FVirtualCount = count;
        endInsertRows();
    } else {
        beginRemoveRows(QModelIndex(), count, FVirtualCount - 1);
        FVirtualCount = count;
        endRemoveRows();
    }
}

} // namespace quorvane
