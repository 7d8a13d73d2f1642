#include "ListFixture.h"

#include <QPixmap>
#include <gtest/gtest.h>
#include <set>

using namespace quorvane;
using quorvane::testing::ListFixture;

namespace {

// Opens the dispatch operations to the tests, as a descendant of the control may.
class ProbeList : public TExtListView {
public:
    using TExtListView::DoODFindItem;
    using TExtListView::DoODGetItemInfo;
};

constexpr int Million = 1'000'000;
constexpr int Rows = 10'000; // enough for every test that does not need the million

class VirtualModeTest : public ::testing::Test, public ListFixture {
protected:
    void SetUp() override
    {
        List = std::make_unique<ProbeList>();
        List->resize(500, 240);
        addColumns({ "Row", "Square", "Name" });
        QPixmap blue(16, 16);
        blue.fill(Qt::blue);
        Images.Add(QIcon(blue));
        List->SetSmallImages(&Images);
        List->OnODGetItemInfo = [this](QObject* sender, int item, int subItem, TLVODMaskItems mask,
                                    int& image, qint32&, int&, int&, QString& text) {
            EXPECT_EQ(sender, List.get());
            EXPECT_TRUE(mask.testFlag(odmText));
            Asked.insert(item);
            ++Requests;
            if (subItem == 0 && mask.testFlag(odmImage))
                image = 0;
            text = subItem == 0 ? QString::number(item)
                : subItem == 1  ? QString::number(qint64(item) * item)
                                : QString(300, QLatin1Char('n'));
        };
        List->OnODCacheHint = [this](QObject*, TLVCacheHint& hint) { Hints.push_back(hint); };
        List->SetVirtualMode(true);
        List->SetVirtualItemCount(Rows);
        ASSERT_TRUE(show());
    }
    void TearDown() override { List->SetSmallImages(nullptr); }

    void paint()
    {
        Asked.clear();
        Requests = 0;
        List->viewport()->repaint();
    }

    ProbeList& probe() { return static_cast<ProbeList&>(*List); }

    TImageList Images;
    std::set<int> Asked;
    int Requests = 0;
    std::vector<TLVCacheHint> Hints;
};

TEST_F(VirtualModeTest, paintsAMillionRowsAskingOnlyForVisibleCells)
{
    List->SetVirtualItemCount(Million);
    EXPECT_EQ(List->ItemCount(), Million);
    paint(); // the first paint after the change also lays the view out
    paint();
    ASSERT_FALSE(Hints.empty());
    const TLVCacheHint hint = Hints.back();
    EXPECT_EQ(hint.From, 0);
    EXPECT_LT(hint.To, 40);
    ASSERT_FALSE(Asked.empty());
    EXPECT_GE(*Asked.begin(), hint.From);
    EXPECT_LE(*Asked.rbegin(), hint.To);
    // One request per painted cell.
    EXPECT_LE(Requests, (hint.To - hint.From + 1) * 3);
    EXPECT_EQ(List->model()->index(12, 1).data().toString(), "144");
    EXPECT_FALSE(List->model()->index(12, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
}

TEST_F(VirtualModeTest, scrollsToTheEndAndAsksForTheRowsShownThere)
{
    List->SetVirtualItemCount(Million);
    List->setFocus();
    QTest::keyClick(List.get(), Qt::Key_End);
    EXPECT_EQ(List->ItemFocused(), Million - 1);
    EXPECT_EQ(List->Selected(), Million - 1);
    paint();
    const TLVCacheHint hint = Hints.back();
    EXPECT_EQ(hint.To, Million - 1);
    EXPECT_GT(hint.From, Million - 40);
    ASSERT_FALSE(Asked.empty());
    EXPECT_GE(*Asked.begin(), hint.From);
    EXPECT_EQ(List->model()->index(Million - 1, 0).data().toString(), "999999");
    // The same view painted again asks again and hints nothing new.
    const size_t hints = Hints.size();
    paint();
    EXPECT_FALSE(Asked.empty());
    EXPECT_EQ(Hints.size(), hints);
}

TEST_F(VirtualModeTest, textIsCutToTheCellBuffer)
{
    const QString shown = List->model()->index(3, 2).data().toString();
    EXPECT_EQ(shown.size(), TExtListView::CellTextMax - 1);

    char16_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    TLVItemRequest request;
    request.Mask = odmText | odmImage;
    request.Item = 7;
    request.SubItem = 1;
    request.Text = buffer;
    request.TextMax = 2;
    probe().DoODGetItemInfo(request);
    EXPECT_EQ(buffer[0], u'4'); // 49 cut to one character and its terminating zero
    EXPECT_EQ(buffer[1], u'\0');
    EXPECT_EQ(buffer[2], u'#');
}

TEST_F(VirtualModeTest, requestsForNoRowOrWithoutHandlerStayUntouched)
{
    char16_t buffer[8] = { u'x', 0 };
    TLVItemRequest request;
    request.Mask = odmText;
    request.Item = -1;
    request.State = 5;
    request.Image = 9;
    request.Text = buffer;
    request.TextMax = 8;
    probe().DoODGetItemInfo(request);
    EXPECT_EQ(buffer[0], u'x');
    EXPECT_EQ(request.Image, 9);

    // Text set while the request asked for none does not reach the buffer; state is written back.
    List->OnODGetItemInfo = [](QObject*, int, int, TLVODMaskItems mask, int&, qint32& param,
                                int& state, int&, QString& text) {
        EXPECT_FALSE(mask.testFlag(odmText));
        EXPECT_TRUE(mask.testFlag(odmState));
        text = "ignored";
        state = 2;
        param = 77;
    };
    request.Item = 3;
    request.Mask = odmState | odmParam | 0x100;
    probe().DoODGetItemInfo(request);
    EXPECT_EQ(buffer[0], u'x');
    EXPECT_EQ(request.State, 2);
    EXPECT_EQ(request.Param, 77);

    List->OnODGetItemInfo = nullptr;
    request.Mask = odmText;
    probe().DoODGetItemInfo(request);
    EXPECT_EQ(buffer[0], u'x');
}

TEST_F(VirtualModeTest, typeAheadAsksTheOwnerToFindTheRow)
{
    std::vector<QString> searches;
    List->OnODFindItem = [&](QObject*, TLVFindItem& find, bool& found) {
        EXPECT_TRUE(find.Flags & lvfiString);
        searches.push_back(find.Text);
        bool ok = false;
        const int row = find.Text.toInt(&ok);
        found = ok && row < Rows;
        find.Found = row;
    };
    List->setFocus();
    QTest::keyClicks(List.get(), "4321");
    ASSERT_FALSE(searches.empty());
    EXPECT_EQ(searches.back(), "4321");
    EXPECT_EQ(List->ItemFocused(), 4321);
    EXPECT_EQ(List->Selected(), 4321);

    // No handler: nothing is found.
    List->OnODFindItem = nullptr;
    TLVFindItem find;
    find.Text = "1";
    EXPECT_FALSE(probe().DoODFindItem(find));
}

TEST_F(VirtualModeTest, selectionChangesAreReportedAsRanges)
{
    std::vector<TLVODStateChange> changes;
    List->OnODStateChanged = [&](QObject*, TLVODStateChange& change) { changes.push_back(change); };
    clickRow(2);
    clickRow(4);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].From, 2);
    EXPECT_EQ(changes[0].To, 2);
    EXPECT_EQ(changes[0].NewState, lvisSelected);
    EXPECT_EQ(changes[1].OldState, lvisSelected);
    EXPECT_EQ(changes[2].From, 4);
}

TEST_F(VirtualModeTest, itemEventsBelongToTheirMode)
{
    int activations = 0;
    int marquees = 0;
    List->OnItemActivate = [&](QObject*) { ++activations; };
    List->OnMarqueeBegin = [&](QObject*, bool&) { ++marquees; };
    QTest::mouseDClick(List->viewport(), Qt::LeftButton, {}, cellCenter(1));
    EXPECT_EQ(activations, 0);

    List->SetVirtualMode(false);
    EXPECT_EQ(List->ItemCount(), 0);
    addRow({ "a", "b" });
    Hints.clear();
    paint();
    EXPECT_TRUE(Asked.empty());
    EXPECT_TRUE(Hints.empty());
    EXPECT_EQ(List->model()->index(0, 1).data().toString(), "b");
    QTest::mouseDClick(List->viewport(), Qt::LeftButton, {}, cellCenter(0));
    EXPECT_EQ(activations, 1);
    QTest::mouseClick(
        List->viewport(), Qt::LeftButton, {}, QPoint(30, List->viewport()->height() - 5));
    EXPECT_EQ(marquees, 1);
}

TEST_F(VirtualModeTest, switchingTheModeStartsTheViewOverWithoutStyles)
{
    List->SetExtendedStyles(lvxGridLines | lvxFullRowSelect);
    List->SetVirtualMode(true); // unchanged: nothing happens
    EXPECT_EQ(List->ExtendedStyles(), lvxGridLines | lvxFullRowSelect);
    EXPECT_EQ(List->ItemCount(), Rows);
    List->SetVirtualMode(false);
    EXPECT_EQ(List->ExtendedStyles(), TLVExtendedStyles());
    EXPECT_EQ(List->ColumnCount(), 3);
    List->SetVirtualItemCount(10); // ignored in normal mode
    EXPECT_EQ(List->ItemCount(), 0);
    List->SetVirtualMode(true);
    EXPECT_EQ(List->ItemCount(), 0);
    List->SetVirtualItemCount(5);
    EXPECT_EQ(List->ItemCount(), 5);
}

} // namespace
