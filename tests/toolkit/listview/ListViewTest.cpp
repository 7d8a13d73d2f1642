#include "FocusRowWithData.h"
#include "HeaderGestures.h"
#include "TListRowModel.h"
#include "TListView.h"

#include <QAccessible>
#include <QHeaderView>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

struct Report {
    int Item;
    TItemChange Change;
    bool Selected;
    bool Focused;
};

// A shown list of three columns and a few rows that records every change report with the row's
// state at the moment of the report.
class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        List = std::make_unique<TListView>();
        List->resize(500, 300);
        List->AddColumn({ "Name", 120, Qt::AlignLeft, false });
        List->AddColumn({ "ID", 80, Qt::AlignRight, false });
        List->AddColumn({ "Path", 100, Qt::AlignLeft, true });
        for (int i = 0; i < 5; ++i)
            addRow(QString("row%1").arg(i), { QString::number(i * 10), QString("/bin/r%1").arg(i) },
                100 + quint64(i));
        List->OnChange = [this](QObject* sender, int item, TItemChange change) {
            EXPECT_EQ(sender, List.get());
            Reports.push_back({ item, change, List->IsSelected(item), List->IsFocused(item) });
        };
        List->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(List.get()));
        // Gaining the keyboard focus may make the first row current.
        List->SetItemFocused(-1);
        Reports.clear();
    }

    int addRow(const QString& caption, const QStringList& subItems, quint64 data)
    {
        const int row = List->AddItem();
        List->SetCaption(row, caption);
        for (const QString& text : subItems)
            List->AddSubItem(row, text);
        List->SetData(row, data);
        return row;
    }

    QPoint cellCenter(int row, int column) const
    {
        return List->visualRect(List->model()->index(row, column)).center();
    }

    void clickRow(int row, int column = 1)
    {
        QTest::mouseClick(List->viewport(), Qt::LeftButton, {}, cellCenter(row, column));
    }

    int bothReportsFor(int row) const
    {
        return int(std::count_if(Reports.begin(), Reports.end(), [row](const Report& r) {
            return r.Item == row && r.Change == TItemChange::ctState && r.Selected && r.Focused;
        }));
    }
    bool reportedBothFor(int row) const { return bothReportsFor(row) > 0; }

    std::unique_ptr<TListView> List;
    std::vector<Report> Reports;
};

TEST_F(ListViewTest, clickSelectsAndFocusesAndReportsTheCompletedState)
{
    clickRow(2);
    EXPECT_EQ(List->Selected(), 2);
    EXPECT_EQ(List->ItemFocused(), 2);
    ASSERT_FALSE(Reports.empty());
    // The last report for the row comes after both selection and focus are set.
    EXPECT_TRUE(reportedBothFor(2));
    EXPECT_EQ(Reports.back().Item, 2);

    Reports.clear();
    clickRow(4, 0);
    EXPECT_EQ(List->Selected(), 4);
    EXPECT_FALSE(List->IsSelected(2));
    EXPECT_TRUE(reportedBothFor(4));
    bool oldRowReported = false;
    for (const Report& r : Reports)
        oldRowReported |= r.Item == 2 && !r.Selected && !r.Focused;
    EXPECT_TRUE(oldRowReported);
}

// Qt tells of a keyboard move twice (selection, then current row); the owner hears of it once.
TEST_F(ListViewTest, keyboardMovesSelectionAndFocusTogetherAndReportsEachRowOnce)
{
    List->SetCaption(3, "zeta");
    clickRow(1);
    List->setFocus();
    const std::pair<std::function<void()>, int> moves[] = {
        { [this] { QTest::keyClick(List.get(), Qt::Key_Down); }, 2 },
        { [this] { QTest::keyClick(List.get(), Qt::Key_End); }, 4 },
        { [this] { QTest::keyClick(List.get(), Qt::Key_Home); }, 0 },
        { [this] { QTest::keyClicks(List.get(), "ze"); }, 3 }, // though a sub-item was clicked
    };
    for (const auto& [move, row] : moves) {
        const int before = List->ItemFocused();
        Reports.clear();
        move();
        EXPECT_EQ(List->Selected(), row);
        EXPECT_EQ(List->ItemFocused(), row);
        EXPECT_EQ(bothReportsFor(row), 1);
        ASSERT_EQ(Reports.size(), 2u) << "the row left and the row reached, once each";
        EXPECT_EQ(Reports[0].Item, before);
    }
}

TEST_F(ListViewTest, focusAndSelectionAreSetApart)
{
    List->SetItemFocused(3);
    EXPECT_EQ(List->ItemFocused(), 3);
    EXPECT_EQ(List->Selected(), -1);
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0].Item, 3);
    EXPECT_TRUE(Reports[0].Focused);
    EXPECT_FALSE(Reports[0].Selected);

    List->SetSelected(1);
    EXPECT_EQ(List->Selected(), 1);
    EXPECT_EQ(List->ItemFocused(), 3);
    EXPECT_TRUE(List->IsSelected(1));
    EXPECT_FALSE(List->IsFocused(1));

    List->SetItemFocused(1);
    EXPECT_TRUE(reportedBothFor(1));

    Reports.clear();
    List->SetSelected(-1);
    List->SetItemFocused(-1);
    EXPECT_EQ(List->Selected(), -1);
    EXPECT_EQ(List->ItemFocused(), -1);
    ASSERT_EQ(Reports.size(), 2u);
    EXPECT_EQ(Reports[0].Item, 1);
    EXPECT_EQ(Reports[1].Item, 1);
    EXPECT_FALSE(Reports[1].Selected || Reports[1].Focused);

    // Out-of-range rows clear rather than fail.
    List->SetSelected(2);
    List->SetSelected(99);
    EXPECT_EQ(List->Selected(), -1);
}

TEST_F(ListViewTest, nestedUpdatesRepaintOnceAndKeepTheirRowsState)
{
    List->SetSelected(1);
    List->SetItemFocused(1);
    QSignalSpy resets(List->model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(List->model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy changes(List->model(), &QAbstractItemModel::dataChanged);
    Reports.clear();
    {
        TListUpdate outer(*List);
        List->BeginUpdate();
        addRow("late", { "7" }, 7);
        List->SetCaption(0, "first");
        List->EndUpdate();
        EXPECT_EQ(resets.count(), 0);
        addRow("later", { "8" }, 8);
    }
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_TRUE(Reports.empty()); // no text reports inside a bracket
    EXPECT_EQ(List->ItemCount(), 7);
    EXPECT_EQ(List->Caption(0), "first");
    EXPECT_EQ(List->Selected(), 1);
    EXPECT_EQ(List->ItemFocused(), 1);
    // An unmatched end does nothing.
    List->EndUpdate();
    EXPECT_EQ(resets.count(), 1);
}

TEST_F(ListViewTest, fillInsideBracketThenSelectReportsLikeTheMainWindowNeeds)
{
    List->SetSelected(0);
    List->SetItemFocused(0);
    Reports.clear();
    {
        TListUpdate update(*List);
        List->Clear();
        for (int i = 0; i < 3; ++i)
            addRow(QString("n%1").arg(i), {}, quint64(i + 1));
    }
    // The removed focused row is reported as a state change of no row.
    ASSERT_FALSE(Reports.empty());
    EXPECT_EQ(Reports[0].Item, -1);
    EXPECT_EQ(List->ItemFocused(), -1);
    const int row = List->FindData(2);
    EXPECT_EQ(row, 1);
    List->SetSelected(row);
    List->SetItemFocused(row);
    EXPECT_TRUE(reportedBothFor(1));
}

TEST_F(ListViewTest, textAndImageChangesAreReportedOutsideBrackets)
{
    List->SetCaption(1, "renamed");
    List->AddSubItem(1, "extra");
    List->SetImageIndex(1, 0);
    List->SetCaption(1, "renamed"); // no change, no report
    ASSERT_EQ(Reports.size(), 3u);
    EXPECT_EQ(Reports[0].Change, TItemChange::ctText);
    EXPECT_EQ(Reports[1].Change, TItemChange::ctText);
    EXPECT_EQ(Reports[2].Change, TItemChange::ctImage);
    EXPECT_EQ(List->model()->index(1, 0).data().toString(), "renamed");
    EXPECT_EQ(List->model()->index(1, 3).data().toString(), "");
    EXPECT_EQ(List->SubItems(1), QStringList({ "10", "/bin/r1", "extra" }));
}

TEST_F(ListViewTest, rowsCarryDataAndAreFoundInListOrder)
{
    addRow("dup", {}, 102);
    EXPECT_EQ(List->FindData(102), 2);
    EXPECT_EQ(List->FindData(0xFFFF'FFFF'0000'0001ULL), -1);
    List->SetData(4, 0xFFFF'FFFF'0000'0001ULL);
    EXPECT_EQ(List->Data(4), 0xFFFF'FFFF'0000'0001ULL);
    EXPECT_EQ(List->FindData(0xFFFF'FFFF'0000'0001ULL), 4);
    EXPECT_EQ(List->Data(99), 0u);
}

TEST_F(ListViewTest, headerClickAndDoubleClickFireTheirEvents)
{
    std::vector<int> clicked;
    int doubleClicks = 0;
    List->OnColumnClick = [&](QObject*, int column) { clicked.push_back(column); };
    List->OnDblClick = [&](QObject*) { ++doubleClicks; };
    QHeaderView* header = List->header();
    const int x = header->sectionViewportPosition(1) + header->sectionSize(1) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], 1);

    QTest::mouseDClick(List->viewport(), Qt::LeftButton, {}, cellCenter(3, 0));
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(List->Selected(), 3);
}

TEST_F(ListViewTest, showsImagesAlignmentAndFillsWithTheLastColumn)
{
    TImageList images;
    QPixmap red(16, 16);
    red.fill(Qt::red);
    images.Add(QIcon(red));
    List->SetSmallImages(&images);
    List->SetImageIndex(0, 0);
    List->SetImageIndex(1, 5); // out of range: no image
    EXPECT_EQ(List->iconSize(), QSize(16, 16));
    EXPECT_FALSE(List->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(List->model()->index(1, 0).data(Qt::DecorationRole).isValid());
    const auto alignment
        = Qt::Alignment(List->model()->index(0, 1).data(Qt::TextAlignmentRole).toInt());
    EXPECT_TRUE(alignment & Qt::AlignRight);
    EXPECT_EQ(List->model()->headerData(1, Qt::Horizontal).toString(), "ID");

    List->SetSmallImages(nullptr);
}

// The last column takes the remaining width once, when first shown; then it is the user's.
TEST_F(ListViewTest, lastColumnFillsOnceThenTheUserResizesIt)
{
    QHeaderView* header = List->header();
    const int filled = header->sectionSize(2);
    EXPECT_EQ(header->sectionViewportPosition(2) + filled, List->viewport()->width());
    List->resize(800, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(header->sectionSize(2), filled);
    List->resize(150, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(header->sectionSize(2), filled) << "a narrow list keeps it";
    List->resize(500, 300);
    QCoreApplication::processEvents();
    DragHeaderEdge(*header, 2, -40);
    EXPECT_EQ(header->sectionSize(2), filled - 40);

    // A width given before the list is shown (restored settings) ends the wait to fill.
    TListView restored;
    restored.AddColumn({ "Name", 120, Qt::AlignLeft, false });
    restored.AddColumn({ "Path", 100, Qt::AlignLeft, true });
    restored.SetColumnWidth(1, 100);
    restored.resize(500, 300);
    restored.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&restored));
    EXPECT_EQ(restored.header()->sectionSize(1), 100);
}

struct Refocus {
    quint64 Data;
    int Row;
};

// The rule shared by every list that is refilled: the row with the remembered value gets the
// focus and the selection again, or no row does. No window is needed.
TEST(FocusRowWithData, focusesTheFirstRowWithTheValueOrNone)
{
    TListView list;
    list.AddColumn({ "Name", 120, Qt::AlignLeft, false });
    for (quint64 data : { 5, 7, 5 })
        list.SetData(list.AddItem(), data);
    for (const Refocus& c :
        { Refocus { 7, 1 }, Refocus { 5, 0 }, Refocus { 9, -1 }, Refocus { 0, -1 } }) {
        list.SetSelected(2);
        list.SetItemFocused(2);
        EXPECT_EQ(FocusedRowData(list), 5u);
        EXPECT_EQ(FocusRowWithData(list, c.Data), c.Row) << c.Data;
        EXPECT_EQ(list.Selected(), c.Row);
        EXPECT_EQ(list.ItemFocused(), c.Row);
        EXPECT_EQ(FocusedRowData(list), c.Row < 0 ? 0 : c.Data);
    }
}

TEST_F(ListViewTest, accessibilityExposesColumnCaptionsAndCells)
{
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(List.get());
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->role(), QAccessible::Tree);
    QAccessibleTableInterface* table = tree->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->columnCount(), 3);
    EXPECT_EQ(table->rowCount(), 5);
    EXPECT_EQ(table->columnDescription(1), "ID");
    QAccessibleInterface* cell = table->cellAt(2, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name), "row2");
}

} // namespace
