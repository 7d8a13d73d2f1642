// A virtual list: the owner serves every cell and is asked only for the rows on screen. A
// million rows in a real dialog are the heap list dialog test's.
#include "ListFixture.h"

#include <QPixmap>
#include <set>

using namespace quorvane;

namespace {

// Opens the dispatch of a cell request to the tests, as a descendant of the control may.
class ProbeList : public TExtListView {
public:
    using TExtListView::DoODGetItemInfo;
};

constexpr int Rows = 10'000;

class VirtualModeTest : public quorvane::testing::ListFixture {
protected:
    void SetUp() override
    {
        List = std::make_unique<ProbeList>();
        addColumns({ "Row", "Square", "Name" });
        QPixmap blue(16, 16);
        blue.fill(Qt::blue);
        Images.Add(QIcon(blue));
        List->SetSmallImages(&Images);
        List->OnODGetItemInfo = [this](QObject* sender, int item, int subItem, TLVODMaskItems mask,
                                    int& image, qint32&, int&, int&, QString& text) {
            EXPECT_EQ(sender, List.get());
            Asked.insert(item);
            ++Requests;
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
    void TearDown() override { List->SetSmallImages(nullptr); }

    void paint()
    {
        Asked.clear();
        Requests = 0;
        List->viewport()->repaint();
    }

    TImageList Images;
    QString Name;
    std::set<int> Asked;
    int Requests = 0;
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
    EXPECT_LE(Requests, (Hints.back().To + 1) * 3); // one request per painted cell
    EXPECT_EQ(List->model()->index(12, 1).data().toString(), "144");
    EXPECT_FALSE(List->model()->index(12, 0).data(Qt::DecorationRole).value<QIcon>().isNull());

    List->setFocus();
    QTest::keyClick(List.get(), Qt::Key_End);
    EXPECT_EQ(List->Selected(), Rows - 1);
    paint();
    EXPECT_EQ(Hints.back().To, Rows - 1);
    EXPECT_GT(Hints.back().From, Rows - 40);
    ASSERT_FALSE(Asked.empty());
    EXPECT_GE(*Asked.begin(), Hints.back().From);
    // The same rows painted again are asked for again, without a new hint.
    const size_t hints = Hints.size();
    paint();
    EXPECT_FALSE(Asked.empty());
    EXPECT_EQ(Hints.size(), hints);
}

TEST_F(VirtualModeTest, aCellShowsTheOwnersTextCutToTheViewsBufferWithoutHalfAPair)
{
    Name = QString(300, QLatin1Char('n'));
    EXPECT_EQ(List->model()->index(3, 2).data().toString().size(), TExtListView::CellTextMax - 1);
    Name = QString(TExtListView::CellTextMax - 2, QLatin1Char('n'));
    const QString cut = Name;
    Name += QString::fromUcs4(U"\U0001F600");
    EXPECT_EQ(List->model()->index(4, 2).data().toString(), cut);
    List->OnODGetItemInfo = nullptr;
    EXPECT_EQ(List->model()->index(5, 0).data().toString(), QString());
}

TEST_F(VirtualModeTest, aRequestGetsOnlyWhatItsMaskAsksFor)
{
    char16_t buffer[8] = { u'x', 0 };
    TLVItemRequest request;
    request.Mask = odmState | odmParam | 0x100;
    request.Item = 3;
    request.Text = buffer;
    request.TextMax = 8;
    TLVODMaskItems asked;
    List->OnODGetItemInfo = [&](QObject*, int, int, TLVODMaskItems mask, int&, qint32& param,
                                int& state, int&, QString& text) {
        asked = mask;
        text = "ignored";
        state = 2;
        param = 77;
    };
    static_cast<ProbeList&>(*List).DoODGetItemInfo(request);
    EXPECT_EQ(asked, odmState | odmParam);
    EXPECT_EQ(buffer[0], u'x');
    EXPECT_EQ(request.State, 2);
    EXPECT_EQ(request.Param, 77);
    request.Item = -1; // no row: no handler is called
    request.Mask = odmText;
    static_cast<ProbeList&>(*List).DoODGetItemInfo(request);
    EXPECT_EQ(buffer[0], u'x');
    List->OnODGetItemInfo = nullptr;
}

TEST_F(VirtualModeTest, typeAheadAsksTheOwnerToFindTheRow)
{
    QString search;
    List->OnODFindItem = [&](QObject*, TLVFindItem& find, bool& found) {
        EXPECT_TRUE(find.Flags & lvfiString);
        search = find.Text;
        bool ok = false;
        find.Found = find.Text.toInt(&ok);
        found = ok;
    };
    List->setFocus();
    QTest::keyClicks(List.get(), "4321");
    EXPECT_EQ(search, "4321");
    EXPECT_EQ(List->ItemFocused(), 4321);
    EXPECT_EQ(List->Selected(), 4321);
    List->OnODFindItem = nullptr; // nothing is found
    QTest::keyClicks(List.get(), "7");
    EXPECT_EQ(List->ItemFocused(), 4321);
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

TEST_F(VirtualModeTest, switchingTheModeStartsTheViewOverWithoutStyles)
{
    int activations = 0;
    int marquees = 0;
    List->OnItemActivate = [&](QObject*) { ++activations; };
    List->OnMarqueeBegin = [&](QObject*, bool&) { ++marquees; };
    List->SetExtendedStyles(lvxGridLines);
    List->SetVirtualMode(true); // unchanged: nothing happens
    EXPECT_EQ(List->ExtendedStyles(), lvxGridLines);
    const QPoint empty(30, List->viewport()->height() - 5);
    // A virtual list neither activates rows nor starts a marquee.
    QTest::mouseDClick(List->viewport(), Qt::LeftButton, {}, cellCenter(1));
    List->SetVirtualItemCount(2);
    QTest::mouseClick(List->viewport(), Qt::LeftButton, {}, empty);
    EXPECT_EQ(activations, 0);
    EXPECT_EQ(marquees, 0);

    List->SetVirtualMode(false);
    EXPECT_EQ(List->ExtendedStyles(), TLVExtendedStyles());
    EXPECT_EQ(List->ColumnCount(), 3);
    List->SetVirtualItemCount(10); // ignored in normal mode
    EXPECT_EQ(List->ItemCount(), 0);
    addRow({ "a", "b" });
    Hints.clear();
    paint();
    EXPECT_TRUE(Asked.empty());
    EXPECT_TRUE(Hints.empty());
    EXPECT_EQ(List->model()->index(0, 1).data().toString(), "b");
    List->SetVirtualMode(true);
    EXPECT_EQ(List->ItemCount(), 0);
}

} // namespace
