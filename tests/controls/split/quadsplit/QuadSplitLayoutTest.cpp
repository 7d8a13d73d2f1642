#include "SplitFixture.h"

namespace quorvane::test {
namespace {

    using Layout = SplitFixture;

    TEST_F(Layout, mainWindowExampleToThePixel)
    {
        EXPECT_EQ(split->EffectiveStyle(), oxsWin95);
        EXPECT_EQ(split->Margin(), 2);
        EXPECT_EQ(PaneRect(0), QRect(QPoint(2, 2), QPoint(563, 162)));
        EXPECT_EQ(PaneRect(0).size(), QSize(562, 161));
        EXPECT_EQ(PaneRect(1), QRect(QPoint(568, 2), QPoint(827, 162)));
        EXPECT_EQ(PaneRect(2), QRect(QPoint(568, 167), QPoint(827, 378)));
        EXPECT_EQ(PaneRect(3), QRect(QPoint(2, 167), QPoint(563, 378)));
        EXPECT_EQ(split->MaxBarPosition(), QPoint(822, 373));
        EXPECT_THROW(split->Panes(4), std::out_of_range);
        // Each list fills its pane, which has no border of its own.
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(split->Panes(i)->BorderStyle(), bsNone);
            EXPECT_EQ(lists[i]->size(), PaneRect(i).size());
        }
    }

    TEST_F(Layout, writesAreLimitedByTheSplitterSize)
    {
        split->BarPosition().SetX(2000);
        EXPECT_EQ(split->BarPosition().X(), 822);
        split->BarPosition().SetY(-40);
        EXPECT_EQ(split->BarPosition().Y(), 0);
        split->BarPosition().SetPoint(-1, 5000);
        EXPECT_EQ(split->BarPosition().X(), 0);
        EXPECT_EQ(split->BarPosition().Y(), 373);

        // Too small for margins and bar: the limit is negative and wins over 0.
        split->resize(7, 381);
        split->BarPosition().SetX(10);
        EXPECT_EQ(split->BarPosition().X(), 7 - 4 - 4);
    }

    TEST_F(Layout, resizingKeepsThePositionAndMovesTheOtherPanes)
    {
        split->BarPosition().SetPoint(300, 100);
        resizes = 0;
        split->resize(700, 300);
        EXPECT_EQ(split->BarPosition().X(), 300);
        EXPECT_EQ(split->BarPosition().Y(), 100);
        EXPECT_EQ(PaneRect(0).size(), QSize(300, 100));
        EXPECT_EQ(PaneRect(1), QRect(QPoint(306, 2), QPoint(697, 101)));
        EXPECT_EQ(PaneRect(2), QRect(QPoint(306, 106), QPoint(697, 297)));
        EXPECT_GE(resizes, 1);

        // Narrower than the top-left pane: the right panes get no width but keep their extent.
        split->resize(200, 300);
        EXPECT_EQ(split->BarPosition().X(), 300);
        EXPECT_EQ(PaneRect(1).width(), 0);
        EXPECT_EQ(split->Panes(1)->BoundsRect().width(), 198 - 306);
    }

    TEST_F(Layout, barWidthAndStyleWritesLayOutAgain)
    {
        split->SetBarWidth(10);
        EXPECT_EQ(PaneRect(1).left(), 2 + 562 + 10);
        split->SetStyle(oxsWin31);
        EXPECT_EQ(split->Margin(), 0);
        EXPECT_EQ(PaneRect(0).topLeft(), QPoint(0, 0));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(split->Panes(i)->BorderStyle(), bsSingle);
        split->SetStyle(oxsInset);
        EXPECT_EQ(split->Margin(), 1);
        split->SetBorderStyle(bsNone);
        EXPECT_EQ(split->Margin(), 0);
        EXPECT_EQ(PaneRect(0).topLeft(), QPoint(0, 0));
    }

    TEST(PointClass, changesNotifyOnceAndNotFromInsideAHandler)
    {
        TPointClass a;
        TPointClass b;
        int aChanges = 0;
        int bChanges = 0;
        bool flagSeen = false;
        a.OnChange = [&](TPointClass* sender) {
            EXPECT_EQ(sender, &a);
            flagSeen = TPointClass::PointChanging();
            ++aChanges;
            b.SetX(7); // stored, but nobody hears of it
        };
        b.OnChange = [&](TPointClass*) { ++bChanges; };

        a.SetX(3);
        EXPECT_EQ(aChanges, 1);
        EXPECT_TRUE(flagSeen);
        EXPECT_FALSE(TPointClass::PointChanging());
        EXPECT_EQ(b.X(), 7);
        EXPECT_EQ(bChanges, 0);

        a.SetX(3); // unchanged: no notification
        EXPECT_EQ(aChanges, 1);
        a.SetPoint(3, 0); // SetPoint notifies even so
        EXPECT_EQ(aChanges, 2);
        b.SetY(1);
        EXPECT_EQ(bChanges, 1);
        a.Assign(b);
        EXPECT_EQ(a.X(), 7);
        EXPECT_EQ(a.Y(), 1);
        EXPECT_EQ(aChanges, 3);
    }

    TEST(PointClass, aFailingHandlerDoesNotSilenceEveryPoint)
    {
        TPointClass a;
        a.OnChange = [](TPointClass*) { throw std::runtime_error("handler failed"); };
        EXPECT_THROW(a.SetX(1), std::runtime_error);
        EXPECT_FALSE(TPointClass::PointChanging());
        TPointClass b;
        int changes = 0;
        b.OnChange = [&](TPointClass*) { ++changes; };
        b.SetX(1);
        EXPECT_EQ(changes, 1);
    }

} // namespace
} // namespace quorvane::test
