#include "ListFixture.h"

#include <gtest/gtest.h>

using namespace quorvane;
using quorvane::testing::ListFixture;

namespace {

class SortingTest : public ::testing::Test, public ListFixture {
protected:
    void SetUp() override
    {
        FSavedLocale = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        addColumns({ "Name", "Size", "Date" });
        addRow({ "beta", "10", "1/2/2020" }, 1);
        addRow({ "alpha", "9", "12/31/2019" }, 2);
        addRow({ "Gamma", "100", "2/1/2020" }, 3);
        addRow({ "delta", "-1.5", "1/15/20" }, 4);
        List->SetAutoColumnSort(acsSortToggle);
        ASSERT_TRUE(show());
    }
    void TearDown() override { QLocale::setDefault(FSavedLocale); }

    QLocale FSavedLocale;
};

// The rows' data after each click, as digits: beta 1, alpha 2, Gamma 3, delta 4.
struct ClickCase {
    const char* What;
    TAutoColumnSort Mode;
    bool Ascending;
    std::vector<int> Clicks;
    std::vector<const char*> Orders;
};

class HeaderClicks : public SortingTest, public ::testing::WithParamInterface<ClickCase> {
protected:
    std::string order() const
    {
        std::string digits;
        for (int row = 0; row < List->ItemCount(); ++row)
            digits += char('0' + List->Data(row));
        return digits;
    }
};

TEST_P(HeaderClicks, sortByTheModeAndReportEveryClick)
{
    const ClickCase& c = GetParam();
    std::vector<int> clicked;
    List->OnColumnClick = [&](QObject*, int column) { clicked.push_back(column); };
    List->SetAutoColumnSort(c.Mode);
    List->SetAutoSortAscending(c.Ascending);
    for (size_t i = 0; i < c.Clicks.size(); ++i) {
        clickHeader(c.Clicks[i]);
        EXPECT_EQ(order(), c.Orders[i]) << "click " << i;
    }
    EXPECT_EQ(clicked, c.Clicks);
    EXPECT_EQ(List->SortedColumn(), c.Mode == acsNoSort ? -1 : c.Clicks.back());
}

// Size ascending 4213, descending 3124; name ascending 2143, descending 3412.
INSTANTIATE_TEST_SUITE_P(Modes, HeaderClicks,
    ::testing::Values(ClickCase { "toggle", acsSortToggle, true, { 1, 1, 0, 0, 1 },
                          { "4213", "3124", "2143", "3412", "4213" } },
        ClickCase {
            "toggleDescending", acsSortToggle, false, { 1, 1, 0 }, { "3124", "4213", "3412" } },
        ClickCase {
            "sortKeepsItsDirection", acsSort, false, { 1, 1, 0 }, { "3124", "3124", "3412" } },
        ClickCase { "noSort", acsNoSort, true, { 1 }, { "1234" } }),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return info.param.What; });

TEST_F(SortingTest, datesSortByDayUnderTheUsersShortFormat)
{
    clickHeader(2);
    EXPECT_EQ(column(2), QStringList({ "12/31/2019", "1/2/2020", "1/15/20", "2/1/2020" }));
    clickHeader(2);
    EXPECT_EQ(column(2), QStringList({ "2/1/2020", "1/15/20", "1/2/2020", "12/31/2019" }));
}

TEST_F(SortingTest, selectionAndFocusFollowTheirRowsAndDataStaysWithRows)
{
    clickRow(2); // Gamma
    clickHeader(1);
    const int row = List->FindData(3);
    EXPECT_EQ(List->Caption(row), "Gamma");
    EXPECT_EQ(List->Selected(), row);
    EXPECT_EQ(List->ItemFocused(), row);
    EXPECT_EQ(row, 3);
}

TEST_F(SortingTest, compareListItemsTakesTheDirectionAndAMissingSubItemEqualsAll)
{
    List->Clear();
    addRow({ "1.5", "12 " }, 1);
    addRow({ "1.50", " 12" }, 2); // ' 12' is a number, '12 ' text: they compare as text
    addRow({ "E5" }, 3); // 0 as a number, no sub-items
    const auto compare = [&](quint64 a, quint64 b, int subItem) {
        return List->CompareListItems(List->FindData(a), List->FindData(b), subItem);
    };
    List->SortColumn(0, true);
    EXPECT_EQ(List->SortDirectionFactor(), 1);
    EXPECT_EQ(compare(1, 2, -1), 0);
    EXPECT_LT(compare(3, 1, -1), 0);
    EXPECT_NE(compare(1, 2, 0), 0);
    EXPECT_EQ(compare(3, 1, 0), 0);
    EXPECT_EQ(compare(1, 3, 0), 0);
    List->SortColumn(0, false);
    EXPECT_EQ(List->SortDirectionFactor(), -1);
    EXPECT_GT(compare(3, 1, -1), 0);
    EXPECT_EQ(compare(3, 1, 5), 0);
}

TEST_F(SortingTest, resortKeepsColumnAndDirection)
{
    List->Resort(); // never sorted by a click: nothing happens
    EXPECT_EQ(column(0), QStringList({ "beta", "alpha", "Gamma", "delta" }));
    clickHeader(1);
    clickHeader(1); // descending
    addRow({ "eps", "50" });
    addRow({ "zeta", "1000" });
    List->Resort();
    EXPECT_EQ(column(1), QStringList({ "1000", "100", "50", "10", "9", "-1.5" }));
    EXPECT_FALSE(List->SortAscending());
    // The direction changes only through AutoSortAscending, and only when it changes.
    List->SetAutoSortAscending(true);
    EXPECT_FALSE(List->SortAscending());
    List->SetAutoSortAscending(false);
    List->SetAutoSortAscending(true);
    List->Resort();
    EXPECT_EQ(column(1), QStringList({ "-1.5", "9", "10", "50", "100", "1000" }));
}

TEST_F(SortingTest, refillWithoutResortKeepsAddedOrderThenClickReverses)
{
    clickHeader(0); // ascending
    {
        TListUpdate update(*List);
        List->Clear();
        addRow({ "m" });
        addRow({ "c" });
        addRow({ "x" });
    }
    EXPECT_EQ(column(0), QStringList({ "m", "c", "x" }));
    clickHeader(0);
    EXPECT_EQ(column(0), QStringList({ "x", "m", "c" }));
}

TEST_F(SortingTest, sortsInsideAnUpdateBracketAndKeepsTheSelection)
{
    clickRow(0); // beta
    {
        TListUpdate update(*List);
        List->SortColumn(0, true);
        EXPECT_EQ(List->Caption(List->Selected()), "beta");
    }
    EXPECT_EQ(column(0), QStringList({ "alpha", "beta", "delta", "Gamma" }));
    EXPECT_EQ(List->Selected(), 1);
    EXPECT_EQ(List->ItemFocused(), 1);
}

} // namespace
