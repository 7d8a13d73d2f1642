#include "ToxQuadSplit.h"
#include "ToxScrollPane.h"

#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace quorvane::test {
namespace {

    // Four panes of about 300 x 200, each holding content larger than itself; pane 3's content
    // is narrower, so its horizontal range is smaller.
    class PaneScroll : public ::testing::Test {
    protected:
        void SetUp() override
        {
            split = std::make_unique<ToxQuadSplit>();
            split->SetBarWidth(4);
            split->resize(620, 420);
            split->BarPosition().SetPoint(300, 200);
            for (int i = 0; i < 4; ++i) {
                auto* content = new QWidget;
                content->setFixedSize(i == 3 ? 400 : 1500, 1500);
                split->Panes(i)->setWidget(content);
            }
            split->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(split.get()));
        }
        QScrollBar* Horz(int i) { return split->Panes(i)->horizontalScrollBar(); }
        QScrollBar* Vert(int i) { return split->Panes(i)->verticalScrollBar(); }
        // What a click in the bar's trough does.
        void PageRight(int i) { Horz(i)->triggerAction(QAbstractSlider::SliderPageStepAdd); }

        std::unique_ptr<ToxQuadSplit> split;
    };

    TEST_F(PaneScroll, syncedPanesFollowWithinTheirOwnRange)
    {
        split->SetSyncScroll(true);
        PageRight(0);
        PageRight(0);
        const int position = Horz(0)->value();
        ASSERT_GT(position, 100);
        EXPECT_EQ(Horz(1)->value(), position);
        EXPECT_EQ(Horz(2)->value(), position);
        EXPECT_EQ(Horz(3)->value(), std::min(position, Horz(3)->maximum()));
        EXPECT_LT(Horz(3)->maximum(), position); // the narrow pane stops at its limit
        // Only the scrolled direction is copied.
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(Vert(i)->value(), 0);

        Vert(2)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_GT(Vert(2)->value(), 0);
        for (int i : { 0, 1, 3 })
            EXPECT_EQ(Vert(i)->value(), Vert(2)->value());
    }

    TEST_F(PaneScroll, aCopiedPositionTravelsNoFurther)
    {
        split->SetSyncScroll(true);
        PageRight(1);
        const int position = Horz(1)->value();
        ASSERT_GT(position, Horz(3)->maximum());
        EXPECT_EQ(Horz(1)->value(), position);
        // The narrow pane was cut to its limit; had it passed that on, the others would follow.
        EXPECT_EQ(Horz(0)->value(), position);
        EXPECT_EQ(Horz(2)->value(), position);
    }

    TEST_F(PaneScroll, anInvisibleBarHandsOnZero)
    {
        split->SetSyncScroll(true);
        PageRight(0);
        ASSERT_GT(Horz(1)->value(), 0);
        split->Panes(2)->SetHorzScrollBarVisible(false);
        EXPECT_EQ(split->Panes(2)->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        PageRight(2);
        EXPECT_EQ(Horz(0)->value(), 0);
        EXPECT_EQ(Horz(1)->value(), 0);
    }

    TEST_F(PaneScroll, withoutSyncEachPaneScrollsAlone)
    {
        PageRight(0);
        EXPECT_GT(Horz(0)->value(), 0);
        for (int i : { 1, 2, 3 })
            EXPECT_EQ(Horz(i)->value(), 0);
    }

} // namespace
} // namespace quorvane::test
