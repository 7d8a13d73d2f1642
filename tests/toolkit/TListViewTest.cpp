#include "toolkit/TListView.h"

#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

struct Report {
    int Item;
    bool Selected;
    bool Focused;
};

// A shown list of two columns and five rows that records every change report with the row's
// state at the moment of the report.
class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        List.resize(500, 300);
        List.AddColumn({ "Name", 120, Qt::AlignLeft, false });
        List.AddColumn({ "ID", 80, Qt::AlignRight, false });
        for (int i = 0; i < 5; ++i) {
            const int row = List.AddItem();
            List.SetCaption(row, QString("row%1").arg(i));
            List.AddSubItem(row, QString::number(i * 10));
        }
        List.OnChange = [this](QObject* sender, int item, TItemChange) {
            EXPECT_EQ(sender, &List);
            Reports.push_back({ item, List.IsSelected(item), List.IsFocused(item) });
        };
        List.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&List));
        List.SetItemFocused(-1); // gaining the keyboard focus may make the first row current
        Reports.clear();
    }

    void Click(int row, int column)
    {
        QTest::mouseClick(List.viewport(), Qt::LeftButton, {},
            List.visualRect(List.model()->index(row, column)).center());
    }

    TListView List;
    std::vector<Report> Reports;
};

// The owner hears of the row left, and of the row reached last, once it is both selected and
// focused, whether a click or a key moved them.
TEST_F(ListViewTest, clicksAndKeysMoveSelectionAndFocusTogetherAndReportTheCompletedState)
{
    struct Move {
        std::function<void()> Do;
        int Row;
    };
    List.SetCaption(3, "zeta");
    List.setFocus();
    const Move moves[] = {
        { [this] { Click(4, 0); }, 4 }, { [this] { QTest::keyClick(&List, Qt::Key_Home); }, 0 },
        { [this] { QTest::keyClick(&List, Qt::Key_Down); }, 1 }, { [this] { Click(2, 1); }, 2 },
        { [this] { QTest::keyClicks(&List, "ze"); }, 3 }, // though a sub-item was clicked
    };
    int before = -1;
    for (const Move& move : moves) {
        SCOPED_TRACE(move.Row);
        Reports.clear();
        move.Do();
        EXPECT_EQ(List.Selected(), move.Row);
        EXPECT_EQ(List.ItemFocused(), move.Row);
        ASSERT_FALSE(Reports.empty());
        EXPECT_TRUE(
            Reports.back().Item == move.Row && Reports.back().Selected && Reports.back().Focused);
        const bool leftReported = std::any_of(Reports.begin(), Reports.end(),
            [&](const Report& r) { return r.Item == before && !r.Selected && !r.Focused; });
        EXPECT_EQ(leftReported, before >= 0);
        before = move.Row;
    }
}

TEST_F(ListViewTest, nestedUpdatesResetTheViewOnceReportNothingAndKeepSelectionAndFocus)
{
    // Selection and focus are set apart, and held apart through the bracket.
    List.SetSelected(1);
    List.SetItemFocused(3);
    QSignalSpy resets(List.model(), &QAbstractItemModel::modelReset);
    Reports.clear();
    {
        TListUpdate outer(List);
        List.BeginUpdate();
        List.SetCaption(0, "first");
        List.AddItem();
        List.EndUpdate();
        EXPECT_EQ(resets.count(), 0);
        List.AddItem();
    }
    EXPECT_EQ(resets.count(), 1);
    EXPECT_TRUE(Reports.empty());
    EXPECT_EQ(List.ItemCount(), 7);
    EXPECT_EQ(List.Caption(0), "first");
    EXPECT_EQ(List.Selected(), 1);
    EXPECT_EQ(List.ItemFocused(), 3);
}

} // namespace
