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

TEST_F(SortingTest, toggleSequenceOfHeaderClicks)
{
    std::vector<int> clicked;
    List->OnColumnClick = [&](QObject*, int column) { clicked.push_back(column); };

    clickHeader(1);
    EXPECT_EQ(column(1), QStringList({ "-1.5", "9", "10", "100" }));
    clickHeader(1);
    EXPECT_EQ(column(1), QStringList({ "100", "10", "9", "-1.5" }));
    clickHeader(0);
    EXPECT_EQ(column(0), QStringList({ "alpha", "beta", "delta", "Gamma" }));
    clickHeader(0);
    EXPECT_EQ(column(0), QStringList({ "Gamma", "delta", "beta", "alpha" }));
    clickHeader(1);
    EXPECT_EQ(column(1), QStringList({ "-1.5", "9", "10", "100" }));
    EXPECT_EQ(clicked, std::vector<int>({ 1, 1, 0, 0, 1 }));
    EXPECT_EQ(List->SortedColumn(), 1);
    EXPECT_TRUE(List->SortAscending());
}

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

TEST_F(SortingTest, hexadecimalTextsAndMixedColumnsCompareAsText)
{
    List->Clear();
    addRow({ "a", "$0000000A" });
    addRow({ "b", "$00000009" });
    addRow({ "c", "5" });
    addRow({ "d", "abc" });
    addRow({ "e", "" });
    clickHeader(1);
    // '5' and 'abc' are compared as text; the empty text comes first.
    EXPECT_EQ(column(1), QStringList({ "", "$00000009", "$0000000A", "5", "abc" }));
}

TEST_F(SortingTest, compareListItemsFollowsTheRules)
{
    List->Clear();
    addRow({ "1.5", "12 " }); // 0
    addRow({ "1.50", " 12" }); // 1
    addRow({ "1.", "x" }); // 2
    addRow({ "E5" }); // 3: no sub-items
    addRow({ "a" }); // 4
    addRow({ "B" }); // 5
    List->SortColumn(0, true);
    EXPECT_EQ(List->SortDirectionFactor(), 1);
    // Rows are read where they stand now; find them by caption.
    auto rowOf = [&](const QString& caption) {
        for (int r = 0; r < List->ItemCount(); ++r)
            if (List->Caption(r) == caption)
                return r;
        return -1;
    };
    EXPECT_EQ(List->CompareListItems(rowOf("1.5"), rowOf("1.50"), -1), 0);
    EXPECT_LT(List->CompareListItems(rowOf("E5"), rowOf("1.5"), -1), 0); // 0 < 1.5
    EXPECT_LT(List->CompareListItems(rowOf("1.5"), rowOf("a"), -1), 0); // text: digits first
    EXPECT_LT(List->CompareListItems(rowOf("a"), rowOf("B"), -1), 0); // collation, not code points
    // A row without the sub-item equals every other row, whatever the direction.
    EXPECT_EQ(List->CompareListItems(rowOf("E5"), rowOf("1.5"), 0), 0);
    EXPECT_EQ(List->CompareListItems(rowOf("1.5"), rowOf("E5"), 0), 0);
    // '12 ' is text and ' 12' a number: they compare as text.
    EXPECT_NE(List->CompareListItems(rowOf("1.5"), rowOf("1.50"), 0), 0);
    List->SortColumn(0, false);
    EXPECT_EQ(List->SortDirectionFactor(), -1);
    EXPECT_GT(List->CompareListItems(rowOf("E5"), rowOf("1.5"), -1), 0);
    EXPECT_EQ(List->CompareListItems(rowOf("E5"), rowOf("1.5"), 5), 0);
}

TEST_F(SortingTest, collationIsCaseSensitiveAndLocaleOrdered)
{
    List->Clear();
    for (const char* name : { "b", "B", "a", "A", "ä" })
        addRow({ QString::fromUtf8(name) });
    clickHeader(0);
    EXPECT_EQ(column(0), QStringList({ "a", "A", "ä", "b", "B" }));
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

TEST_F(SortingTest, noSortOnlyReportsTheClickAndSortKeepsItsDirection)
{
    std::vector<int> clicked;
    List->OnColumnClick = [&](QObject*, int column) { clicked.push_back(column); };
    List->SetAutoColumnSort(acsNoSort);
    clickHeader(1);
    EXPECT_EQ(clicked, std::vector<int>({ 1 }));
    EXPECT_EQ(List->SortedColumn(), -1);
    EXPECT_EQ(column(0), QStringList({ "beta", "alpha", "Gamma", "delta" }));
    List->Resort();
    EXPECT_EQ(column(0), QStringList({ "beta", "alpha", "Gamma", "delta" }));

    List->SetAutoColumnSort(acsSort);
    List->SetAutoSortAscending(false);
    clickHeader(1);
    clickHeader(1);
    EXPECT_EQ(column(1), QStringList({ "100", "10", "9", "-1.5" }));
    clickHeader(0);
    EXPECT_EQ(column(0), QStringList({ "Gamma", "delta", "beta", "alpha" }));
    EXPECT_EQ(List->SortedColumn(), 0);
}

TEST_F(SortingTest, toggleWithDescendingDefaultStartsNewColumnsDescending)
{
    List->SetAutoSortAscending(false);
    clickHeader(1);
    EXPECT_EQ(column(1), QStringList({ "100", "10", "9", "-1.5" }));
    clickHeader(1);
    EXPECT_EQ(column(1), QStringList({ "-1.5", "9", "10", "100" }));
    clickHeader(0);
    EXPECT_EQ(column(0), QStringList({ "Gamma", "delta", "beta", "alpha" }));
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
