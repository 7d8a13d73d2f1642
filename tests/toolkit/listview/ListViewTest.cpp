#include "TListRowModel.h"
#include "TListView.h"

#include <QAccessible>
#include <QHeaderView>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace quorvane;

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

    bool reportedBothFor(int row) const
    {
        for (const Report& r : Reports)
            if (r.Item == row && r.Change == TItemChange::ctState && r.Selected && r.Focused)
                return true;
        return false;
    }

    std::unique_ptr<TListView> List;
    std::vector<Report> Reports;
};

TEST_F(ListViewTest, clicksAndKeysSelectAndFocusTogetherAndReportTheCompletedState)
{
    clickRow(2);
    EXPECT_EQ(List->Selected(), 2);
    EXPECT_EQ(List->ItemFocused(), 2);
    // The last report for the row comes after both selection and focus are set.
    EXPECT_TRUE(reportedBothFor(2));
    EXPECT_EQ(Reports.back().Item, 2);
    Reports.clear();
    clickRow(4, 0);
    EXPECT_FALSE(List->IsSelected(2));
    EXPECT_TRUE(reportedBothFor(4));
    bool oldRowReported = false;
    for (const Report& r : Reports)
        oldRowReported |= r.Item == 2 && !r.Selected && !r.Focused;
    EXPECT_TRUE(oldRowReported);
    List->setFocus();
    const std::pair<Qt::Key, int> keys[] = { { Qt::Key_Up, 3 }, { Qt::Key_Home, 0 } };
    for (const auto& [key, row] : keys) {
        QTest::keyClick(List.get(), key);
        EXPECT_EQ(List->Selected(), row);
        EXPECT_EQ(List->ItemFocused(), row);
        EXPECT_TRUE(reportedBothFor(row));
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

TEST_F(ListViewTest, rowsCarryWideDataAndAreFoundInListOrder)
{
    addRow("dup", {}, 102);
    EXPECT_EQ(List->FindData(102), 2);
    List->SetData(4, 0xFFFF'FFFF'0000'0001ULL);
    EXPECT_EQ(List->FindData(0xFFFF'FFFF'0000'0001ULL), 4);
    EXPECT_EQ(List->FindData(0x0000'0000'0000'0001ULL), -1);
}

TEST_F(ListViewTest, imagesOutOfRangeShowNoneAndAFixedWidthEndsTheFilling)
{
    TImageList images;
    QPixmap red(16, 16);
    red.fill(Qt::red);
    images.Add(QIcon(red));
    List->SetSmallImages(&images);
    List->SetImageIndex(0, 0);
    List->SetImageIndex(1, 5);
    EXPECT_FALSE(List->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(List->model()->index(1, 0).data(Qt::DecorationRole).isValid());
    EXPECT_TRUE(Qt::Alignment(List->model()->index(0, 1).data(Qt::TextAlignmentRole).toInt())
        & Qt::AlignRight);
    QHeaderView* header = List->header();
    List->resize(800, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(
        header->sectionViewportPosition(2) + header->sectionSize(2), List->viewport()->width());
    List->SetColumnWidth(2, 90);
    EXPECT_EQ(header->sectionSize(2), 90);
    List->SetSmallImages(nullptr);
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
