// Sorting as a user meets it, by header clicks: the order each click makes and how the cells of
// a column order under the user's locale. A resort in the last direction, with the selection
// following its row, is the main window's refresh test's.
#include "tests/controls/listview/ListFixture.h"

using namespace quorvane;

namespace {

class SortingTest : public quorvane::testing::ListFixture {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        List->SetAutoColumnSort(acsSortToggle);
        ListFixture::SetUp();
    }
    void TearDown() override { QLocale::setDefault(Saved); }

    const QLocale Saved;
};

struct ClickCase {
    const char* What;
    TAutoColumnSort Mode;
    bool Ascending;
    std::vector<int> Clicks;
    std::vector<const char*> Orders;
};

class HeaderClicks : public SortingTest, public ::testing::WithParamInterface<ClickCase> { };

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
            "sortKeepsItsDirection", acsSort, false, { 1, 1, 0 }, { "3124", "3124", "3412" } },
        ClickCase { "noSort", acsNoSort, true, { 1 }, { "1234" } }),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return info.param.What; });

// Both cells numbers: by value; both dates of the locale's short format: by day; else by the
// locale's collation, case-sensitive. Equal cells keep their rows' order.
struct OrderCase {
    const char* What;
    const char* Locale;
    QStringList Cells;
    QStringList Sorted;
};

class ColumnOrder : public SortingTest, public ::testing::WithParamInterface<OrderCase> { };

TEST_P(ColumnOrder, aClickSortsTheCellsAscending)
{
    QLocale::setDefault(QLocale(QString::fromLatin1(GetParam().Locale)));
    List->Clear();
    for (const QString& cell : GetParam().Cells)
        addRow({ cell });
    clickHeader(0);
    EXPECT_EQ(captions(), GetParam().Sorted);
}

INSTANTIATE_TEST_SUITE_P(Texts, ColumnOrder,
    ::testing::Values(
        OrderCase { "usDates", "en_US", { "1/2/2020", "12/31/2019", "2/1/2020", "1/15/20" },
            { "12/31/2019", "1/2/2020", "1/15/20", "2/1/2020" } },
        OrderCase { "numbersAmongTexts", "en_US", { "b", "10", "a", "9", "-1.5" },
            { "-1.5", "9", "10", "a", "b" } },
        OrderCase { "equalNumbersKeepTheirRows", "en_US", { "1.50", "0", "1.5", " 1.5" },
            { "0", "1.50", "1.5", " 1.5" } },
        OrderCase { "swedishCollation", "sv_SE", { "ö", "z", "o" }, { "o", "z", "ö" } }),
    [](const ::testing::TestParamInfo<OrderCase>& info) { return info.param.What; });

} // namespace
