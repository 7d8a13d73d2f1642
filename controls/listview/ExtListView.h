#pragma once

#include "controls/listview/ExtListViewTypes.h"
#include "controls/listview/TELVSaveSettings.h"
#include "toolkit/TListRowModel.h"
#include "toolkit/TListView.h"

#include <QElapsedTimer>
#include <QPointer>
#include <functional>
#include <span>

class QRubberBand;

namespace quorvane {

// The list control of every list of the program: extended styles, a virtual mode in which the
// owner serves each cell, sorting on header clicks and column order and widths kept in the
// settings store.
class TExtListView : public TListView, private TListCellSource {
    Q_OBJECT
public:
    explicit TExtListView(QWidget* parent = nullptr);
    // Saves the column settings first when AutoSave is on; a store failure goes to the
    // application's default error handler, as from any event handler.
    ~TExtListView() override;

    // Held by the view only: a view that goes virtual or back starts with none.
    TLVExtendedStyles ExtendedStyles() const;
    void SetExtendedStyles(TLVExtendedStyles styles);
    // The whole style word; bits above the eight members are kept but have no effect.
    quint32 ExtendedStyleWord() const { return FStyleWord; }
    void SetExtendedStyleWord(quint32 word);

    bool VirtualMode() const { return FVirtualMode; }
    void SetVirtualMode(bool value);
    // The number of rows of a virtual list; ignored in normal mode.
    void SetVirtualItemCount(int count);

    TAutoColumnSort AutoColumnSort() const { return FAutoColumnSort; }
    void SetAutoColumnSort(TAutoColumnSort value) { FAutoColumnSort = value; }
    bool AutoSortAscending() const { return FAutoSortAscending; }
    void SetAutoSortAscending(bool value);
    int SortedColumn() const { return FSortColumn; }
    bool SortAscending() const { return FSortAscending; }

    TELVSaveSettings& SaveSettings() { return FSaveSettings; }
    const TELVSaveSettings& SaveSettings() const { return FSaveSettings; }

    // Display order of the columns, leftmost first, as collection indices. An order that is not a
    // permutation of every column is not applied.
    void SetColumnOrder(std::span<const int> order);
    bool GetColumnOrder(std::span<int> order) const;

    virtual void SortColumn(int column, bool ascending);
    void Resort();
    // The sort's comparison of two rows by their sub-item sortParam (-1: the caption), with the
    // shared direction applied.
    int CompareListItems(int first, int second, int sortParam) const;
    // +1 or -1: the direction of the last sort started by any list.
    static int SortDirectionFactor();

    void StoreSettings();
    void RestoreSettings();
    void Loaded() override;

    // The view's text buffer for one cell of a virtual list, terminating zero included.
    static constexpr int CellTextMax = 260;

    TLVMarqueeBeginEvent OnMarqueeBegin;
    TNotifyEvent OnItemActivate;
    TLVODGetItemInfoEvent OnODGetItemInfo;
    TLVODCacheHintEvent OnODCacheHint;
    TLVODFindItemEvent OnODFindItem;
    TLVODStateChangedEvent OnODStateChanged;

protected:
    virtual bool DoMarqueeBegin();
    virtual void DoItemActivate();
    virtual void DoODGetItemInfo(TLVItemRequest& request);
    virtual void DoODCacheHint(TLVCacheHint& hintInfo);
    virtual bool DoODFindItem(TLVFindItem& findInfo);
    virtual void DoODStateChanged(TLVODStateChange& stateInfo);
    void DoColumnClick(int column) override;

    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyboardSearch(const QString& search) override;
    void selectionChanged(
        const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    void FetchCell(int row, int column, bool wantImage, QString& text, int& image) override;
    bool hasStyle(TLVExtendedStyle style) const { return (FStyleWord & style) != 0; }
    void applyStyles();
    bool settingsApply() const;
    const QString* cellOf(int row, int sortParam) const;
    void reportRange(const QItemSelection& ranges, unsigned newState, unsigned oldState);
    int rowAt(const QPoint& position) const;
    void finishMarquee(const QPoint& end);

    TELVSaveSettings FSaveSettings;
    quint32 FStyleWord = 0;
    bool FVirtualMode = false;
    TAutoColumnSort FAutoColumnSort = acsNoSort;
    bool FAutoSortAscending = true;
    bool FSortAscending = true;
    int FSortColumn = -1;

    int FPressedRow = -1;
    QPoint FPressPosition;
    bool FPressedRowWasSelected = false;
    QPointer<QRubberBand> FMarquee;
    QPoint FMarqueeOrigin;
    int FHintFrom = -1;
    int FHintTo = -1;
    QString FTypeAhead;
    QElapsedTimer FTypeAheadTimer;
};

} // namespace quorvane
