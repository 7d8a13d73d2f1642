#pragma once

#include "toolkit/TImageList.h"
#include "toolkit/TListColumn.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>
#include <vector>

namespace quorvane {

// Cells of a virtual list: the model stores no rows and asks this source for each cell it shows.
class TListCellSource {
public:
    virtual ~TListCellSource() = default;
    // One request per cell: the text always, the image when wantImage is set.
    virtual void FetchCell(int row, int column, bool wantImage, QString& text, int& image) = 0;
};

// The rows of a report list: a caption, sub-item texts, an image index, a data value and a check
// mark each. Column 0 shows the caption, column k sub-item k - 1.
class TListRowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Row {
        QString Caption;
        QStringList SubItems;
        quint64 Data = 0;
        int ImageIndex = -1;
        bool Checked = false;
    };

    explicit TListRowModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void AddColumn(const TListColumn& column);
    const std::vector<TListColumn>& Columns() const { return FColumns; }

    // While Silent is set the model changes without telling its views (an update bracket that
    // ends in a reset).
    void SetSilent(bool silent) { FSilent = silent; }
    void BeginReset() { beginResetModel(); }
    void EndReset()
    {
        if (FRows.capacity() - FRows.size() > FRows.size() / 4)
            FRows.shrink_to_fit();
        endResetModel();
    }

    int AddRow();
    void ClearRows();
    int RowCount() const { return int(FRows.size()); }
    const Row& RowAt(int row) const { return FRows[size_t(row)]; }
    Row& MutableRow(int row) { return FRows[size_t(row)]; }
    void RowChanged(int row);
    // newOrder[k] is the old position of the row that moves to position k.
    void Reorder(const std::vector<int>& newOrder);
    // The text shown in a cell; empty when the row lacks that sub-item.
    QString CellText(int row, int column) const;

    void SetImages(const TImageList* images);
    const TImageList* Images() const { return FImages; }
    void SetCheckable(bool checkable);
    bool Checkable() const { return FCheckable; }
    void SetSubItemImages(bool shown);
    void SetSubItemImage(int row, int subItem, int imageIndex);
    int SubItemImage(int row, int subItem) const;

    // Virtual rows: count set by the owner, cells from the source.
    void SetCellSource(TListCellSource* source);
    TListCellSource* CellSource() const { return FSource; }
    void SetVirtualCount(int count);
    int VirtualCount() const { return FVirtualCount; }
    // Forgets the last cell fetched, so that the next paint asks the source again.
    void ForgetCachedCell() const { FCachedRow = -1; }

private:
    QVariant virtualData(const QModelIndex& index, int role) const;
    QVariant storedData(const QModelIndex& index, int role) const;
    QVariant icon(int imageIndex) const;
    void allChanged();
    void fetchVirtual(int row, int column) const;

    std::vector<TListColumn> FColumns;
    std::vector<Row> FRows;
    // Sub-item images are rare: kept apart, keyed by row and sub-item.
    std::vector<std::vector<int>> FSubItemImages;
    const TImageList* FImages = nullptr;
    TListCellSource* FSource = nullptr;
    int FVirtualCount = 0;
    mutable int FCachedRow = -1;
    mutable int FCachedColumn = -1;
    mutable QString FCachedText;
    mutable int FCachedImage = -1;
    bool FSilent = false;
    bool FCheckable = false;
    bool FSubItemImagesShown = false;
};

} // namespace quorvane
