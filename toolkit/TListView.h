#pragma once

#include "TComponent.h"
#include "TImageList.h"

#include <QStringList>
#include <QTreeView>
#include <functional>

namespace quorvane {

enum class TItemChange { ctText, ctImage, ctState };

struct TListColumn {
    QString Caption;
    int Width = 50;
    Qt::Alignment Alignment = Qt::AlignLeft;
    // Width type -2: as the last column it takes the remaining width of the list.
    bool AutoSizeUseHeader = false;
};

// A report-view list: rows of a caption and sub-item texts, an image index and a data value,
// shown in columns. Single selection; the focused row (the current row) is distinct from the
// selected one. Rows are addressed by their position in list order.
class TListView : public QTreeView, public TComponent {
    Q_OBJECT
public:
    explicit TListView(QWidget* parent = nullptr);
    ~TListView() override;

    // Columns
    void AddColumn(const TListColumn& column);
    int ColumnCount() const;
    const TListColumn& Column(int index) const;

    // Rows
    int AddItem(); // appends an empty row and returns its position
    int ItemCount() const;
    void Clear();
    QString Caption(int row) const;
    void SetCaption(int row, const QString& caption);
    QStringList SubItems(int row) const;
    void AddSubItem(int row, const QString& text);
    int ImageIndex(int row) const;
    void SetImageIndex(int row, int imageIndex);
    quint64 Data(int row) const;
    void SetData(int row, quint64 data);
    int FindData(quint64 data) const; // first row in list order, -1 when none

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

    // Events: Sender first.
    std::function<void(QObject* Sender, int Item, TItemChange Change)> OnChange;
    std::function<void(QObject* Sender)> OnDblClick;
    std::function<void(QObject* Sender, int Column)> OnColumnClick;

protected:
    virtual void DoChange(int item, TItemChange change);
    virtual void DoDblClick();
    virtual void DoColumnClick(int column);
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
