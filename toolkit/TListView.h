#pragma once

#include "toolkit/TComponent.h"
#include "toolkit/TControlEvents.h"
#include "toolkit/TImageList.h"
#include "toolkit/TListColumn.h"

#include <QStringList>
#include <QTreeView>
#include <functional>

namespace quorvane {

enum class TItemChange { ctText, ctImage, ctState };

using TLVChangeEvent = std::function<void(QObject* Sender, int Item, TItemChange Change)>;
using TLVColumnClickEvent = std::function<void(QObject* Sender, int Column)>;

class TListRowModel;

// A report-view list: rows of a caption and sub-item texts, an image index and a data value,
// shown in columns. Single selection; the focused row (the current row) is distinct from the
// selected one. Rows are addressed by their position in list order.
class TListView : public QTreeView, public TComponent {
    Q_OBJECT
public:
    explicit TListView(QWidget* parent = nullptr);
    ~TListView() override;

    // Columns
    // The column starts at its designed width, or at the width its pointer-sized values need in
    // the list's current font when that is more.
    void AddColumn(const TListColumn& column);
    int ColumnCount() const;
    const TListColumn& Column(int index) const;
    // Nothing happens when the width is the column's current one; otherwise the column gets that
    // fixed width. Either way a width given to the last column ends its wait to fill the list.
    void SetColumnWidth(int column, int width);

    // Rows
    int AddItem(); // appends an empty row and returns its position
    // Appends a whole row at once, for fills of thousands of rows; reported as one text change.
    int AddItem(const QString& caption, QStringList subItems, int imageIndex, quint64 data);
    int ItemCount() const;
    void Clear();
    QString Caption(int row) const;
    void SetCaption(int row, const QString& caption);
    QStringList SubItems(int row) const;
    void AddSubItem(int row, const QString& text);
    void SetSubItem(int row, int subItem, const QString& text); // an existing sub-item only
    int ImageIndex(int row) const;
    void SetImageIndex(int row, int imageIndex);
    quint64 Data(int row) const;
    void SetData(int row, quint64 data);
    int FindData(quint64 data) const; // first row in list order, -1 when none
    bool IsChecked(int row) const; // the row's check box, shown when the list has check boxes
    void SetChecked(int row, bool checked);
    void SetSubItemImage(int row, int subItem, int imageIndex);
    int SubItemImage(int row, int subItem) const;

    // Update brackets nest; the list repaints once, when the outermost one ends.
    void BeginUpdate();
    void EndUpdate();

    // Selection and focus (-1: none)
    int Selected() const;
    void SetSelected(int row); // -1 clears the selection
    int ItemFocused() const;
    void SetItemFocused(int row); // -1 takes the focus from the row that has it
    bool IsSelected(int row) const;
    bool IsFocused(int row) const;

    void SetSmallImages(const TImageList* images);

    // The view's own layout, in a list of layout items no bigger than its rows need.
    void doItemsLayout() override;

    // Events: Sender first. OnChange reports a row whose selected or focused state changed, once
    // per change and after it is complete, text and image changes made outside an update bracket,
    // and a Clear that removed the selected or focused row (Item -1).
    TLVChangeEvent OnChange;
    TNotifyEvent OnDblClick;
    TLVColumnClickEvent OnColumnClick;

protected:
    virtual void DoChange(int item, TItemChange change);
    virtual void DoDblClick();
    virtual void DoColumnClick(int column);

    TListRowModel* RowModel() const { return FModel; }
    bool Updating() const { return FUpdateDepth > 0; }
    // Reorders the rows by a comparison of two rows given by their positions before the sort
    // (negative: the first goes before the second). Stable, and safe with a comparison that is not
    // a strict order (a mixed column). Selection and focus follow their rows.
    void SortItems(const std::function<int(int first, int second)>& compare);
    // Puts the rows in the given order: element k is the position before of the row that goes to
    // position k (a permutation of every row; anything else is ignored).
    void ApplyOrder(const std::vector<int>& order);
    // Called when the view goes virtual or back: rows, selection and focus are dropped.
    void ResetRows();

    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyboardSearch(const QString& search) override;
    void updateGeometries() override;

private:
    void reportState();
    void takeShownState();
    int columnsWidth() const;
    int pointerTextWidth() const;
    void fillWithLastColumn();
    void setTextCell(int row, TItemChange change);
    bool validRow(int row) const;
    void setPendingRow(int& pending, int row);
    QModelIndex rowIndex(int row) const;

    TListRowModel* FModel;
    int FUpdateDepth = 0;
    // While an update is open the model's rows change silently; selection and focus are held here
    // and given back to the view when the update ends.
    int FPendingSelected = -1;
    int FPendingFocused = -1;
    // The selection and focus the owner last heard of: Qt tells of one move in two signals.
    int FShownSelected = -1;
    int FShownFocused = -1;
    bool FQuiet = false;
    // A last column designed to take the remaining width waits until the list is first shown.
    bool FFillPending = false;
};

// Holds a list's repainting for one scope.
class TListUpdate {
public:
    explicit TListUpdate(TListView& list)
        : FList(list)
    {
        FList.BeginUpdate();
    }
    ~TListUpdate() { FList.EndUpdate(); }
    TListUpdate(const TListUpdate&) = delete;
    TListUpdate& operator=(const TListUpdate&) = delete;

private:
    TListView& FList;
};

} // namespace quorvane
