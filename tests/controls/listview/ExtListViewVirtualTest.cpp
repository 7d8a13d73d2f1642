// A virtual list: the owner serves every cell and is asked only for the rows on screen. A
// million rows in a real dialog, and type-ahead through the owner's find, are the heap list
// dialog test's.
#include "tests/controls/listview/ListFixture.h"

#include <set>

using namespace quorvane;

namespace {

constexpr int Rows = 10'000;

class VirtualModeTest : public quorvane::testing::ListFixture {
public:
    void SetUp() override
    {
        addColumns({ "Row", "Square", "Name" });
        List->OnODGetItemInfo = [this](QObject* sender, int item, int subItem, TLVODMaskItems mask,
                                    int& image, qint32&, int&, int&, QString& text) {
            EXPECT_EQ(sender, List.get());
            Asked.insert(item);
            if (subItem == 0 && mask.testFlag(odmImage))
                image = 0;
            text = subItem == 0 ? QString::number(item)
                : subItem == 1  ? QString::number(qint64(item) * item)
                                : Name;
        };
        List->OnODCacheHint = [this](QObject*, TLVCacheHint& hint) { Hints.push_back(hint); };
        List->SetVirtualMode(true);
        List->SetVirtualItemCount(Rows);
        show();
    }

    void paint()
    {
        Asked.clear();
        List->viewport()->repaint();
    }

    QString Name;
    std::set<int> Asked;
    std::vector<TLVCacheHint> Hints;
};

TEST_F(VirtualModeTest, asksOnlyForTheRowsShownAfterHintingThem)
{
    paint();
    ASSERT_FALSE(Hints.empty());
    EXPECT_EQ(Hints.back().From, 0);
    EXPECT_LT(Hints.back().To, 40);
    ASSERT_FALSE(Asked.empty());
    EXPECT_LE(*Asked.rbegin(), Hints.back().To);
    EXPECT_EQ(cell(12, 1).toString(), "144");
    EXPECT_FALSE(cell(12, 0, Qt::DecorationRole).value<QIcon>().isNull());

    List->setFocus();
    QTest::keyClick(List.get(), Qt::Key_End);
    EXPECT_EQ(List->Selected(), Rows - 1);
    QTest::keyClicks(List.get(), "7"); // typing finds nothing without a find handler
    EXPECT_EQ(List->ItemFocused(), Rows - 1);
    paint();
    EXPECT_EQ(Hints.back().To, Rows - 1);
    EXPECT_GT(Hints.back().From, Rows - 40);
    ASSERT_FALSE(Asked.empty());
    EXPECT_GE(*Asked.begin(), Hints.back().From);
}

TEST_F(VirtualModeTest, aCellShowsTheOwnersTextCutToTheViewsBufferWithoutHalfAPair)
{
    Name = QString(300, QLatin1Char('n'));
    EXPECT_EQ(cell(3, 2).toString().size(), TExtListView::CellTextMax - 1);
    Name = QString(TExtListView::CellTextMax - 2, QLatin1Char('n'));
    const QString cut = Name;
    Name += QString::fromUcs4(U"\U0001F600");
    EXPECT_EQ(cell(4, 2).toString(), cut);
    List->OnODGetItemInfo = nullptr;
    EXPECT_EQ(cell(5, 0).toString(), QString());
}

} // namespace
