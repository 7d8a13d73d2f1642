#include "SplitFixture.h"

#include <QImage>

namespace quorvane::test {
namespace {

    // The vertical bar covers client columns 564..567, the horizontal bar rows 163..166.
    constexpr QPoint onVertical { 566, 60 };
    constexpr QPoint onHorizontal { 300, 164 };
    constexpr QPoint onCrossing { 565, 165 };

    using Drag = SplitFixture;

    struct BarDrag {
        const char* What;
        QPoint From;
        QPoint To;
        QList<QRect> AtPress;
        QList<QRect> AtMove;
        QPoint Position;
    };

    class Drags : public SplitFixture, public ::testing::WithParamInterface<BarDrag> { };

    TEST_P(Drags, aBarShowsTrackedLinesAndMovesOnlyAtTheRelease)
    {
        const BarDrag& c = GetParam();
        Press(c.From);
        EXPECT_TRUE(split->Dragging());
        EXPECT_EQ(Lines(), c.AtPress);
        Move(c.To);
        EXPECT_EQ(Lines(), c.AtMove);
        EXPECT_EQ(split->BarPosition().X(), 562);
        EXPECT_EQ(split->BarPosition().Y(), 161);
        EXPECT_EQ(resizes, 0);
        Release({ 10, 10 }); // the release point is not used, the tracked one is
        EXPECT_FALSE(split->Dragging());
        EXPECT_TRUE(Lines().isEmpty());
        EXPECT_EQ(QPoint(split->BarPosition().X(), split->BarPosition().Y()), c.Position);
        EXPECT_EQ(PaneRect(0).size(), QSize(c.Position.x(), c.Position.y()));
        EXPECT_EQ(PaneRect(2).topLeft(), c.Position + QPoint(2 + 4, 2 + 4));
        EXPECT_EQ(resizes, 1);
    }

    // A line follows the pointer where the bar was grabbed; the position leaves out the margin.
    const QRect kVertical(564, 2, 4, 377);
    const QRect kHorizontal(2, 163, 826, 4);
    INSTANTIATE_TEST_SUITE_P(Bars, Drags,
        ::testing::Values(BarDrag { "vertical", onVertical, { 400, 90 }, { kVertical },
                              { QRect(398, 2, 4, 377) }, { 396, 161 } },
            BarDrag { "horizontal", onHorizontal, { 100, 250 }, { kHorizontal },
                { QRect(2, 249, 826, 4) }, { 562, 247 } },
            BarDrag { "crossing", onCrossing, { 700, 300 }, { kVertical, kHorizontal },
                { QRect(699, 2, 4, 377), QRect(2, 298, 826, 4) }, { 697, 296 } }),
        [](const ::testing::TestParamInfo<BarDrag>& info) { return info.param.What; });

    TEST_F(Drag, trackedLinesInvertThePixelsAndTheirCommonSquareShowsUnchanged)
    {
        const QImage before = split->grab().toImage();
        Press(onCrossing);
        Move({ 300, 100 });
        const QImage during = split->grab().toImage();
        const auto inverted
            = [&](QPoint p) { return during.pixel(p) == (before.pixel(p) ^ 0x00ffffff); };
        EXPECT_TRUE(inverted({ 300, 40 })); // vertical line over the top-left list
        EXPECT_TRUE(inverted({ 700, 100 })); // horizontal line over the top-right list
        EXPECT_EQ(during.pixel(300, 100), before.pixel(300, 100)); // inverted twice
        EXPECT_EQ(during.pixel(200, 40), before.pixel(200, 40)); // away from the lines
        Release({ 300, 100 });
        Press(onVertical);
        Release(onVertical);
    }

    TEST_F(Drag, pressAndReleaseWithoutMoving)
    {
        Press(onVertical);
        Release(onVertical);
        EXPECT_EQ(split->BarPosition().X(), 562);
        EXPECT_EQ(resizes, 0);
        // At the crossing the point is set anyway, which lays out and notifies.
        Press(onCrossing);
        Release(onCrossing);
        EXPECT_EQ(split->BarPosition().X(), 562);
        EXPECT_EQ(split->BarPosition().Y(), 161);
        EXPECT_EQ(resizes, 1);
    }

    TEST_F(Drag, movesAreLimitedToTheSplitter)
    {
        Press(onVertical);
        Move({ 829, 60 });
        EXPECT_EQ(Lines()[0].left(), 826 - 2 + 0); // 830 - 4 - 2, grabbed 2 into the bar
        Release({ 829, 60 });
        EXPECT_EQ(split->BarPosition().X(), 822);
        EXPECT_EQ(split->BarPosition().X(), split->MaxBarPosition().x());

        Press({ 2 + 822 + 1, 60 });
        Move({ 0, 60 });
        EXPECT_EQ(Lines()[0].left(), 2);
        Release({ 0, 60 });
        EXPECT_EQ(split->BarPosition().X(), 0);

        Press({ 300, 2 + 161 + 3 });
        Move({ 300, 380 });
        Release({ 300, 380 });
        EXPECT_EQ(split->BarPosition().Y(), 373);
    }

    TEST_F(Drag, withoutMarginTheDragStopsTwoPixelsShortOfTheLimit)
    {
        split->SetStyle(oxsWin31);
        ASSERT_EQ(split->Margin(), 0);
        EXPECT_EQ(split->MaxBarPosition().x(), 826);
        Press({ 562, 60 });
        Move({ 829, 60 });
        Release({ 829, 60 });
        EXPECT_EQ(split->BarPosition().X(), 830 - 4 - 2);
    }

    TEST_F(Drag, pressAwayFromTheBarsStartsNothing)
    {
        int downs = 0;
        split->OnMouseDown
            = [&](QObject* sender, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
                  EXPECT_EQ(sender, split);
                  ++downs;
              };
        // The margin is splitter area that belongs to no bar.
        Press({ 1, 60 });
        EXPECT_EQ(downs, 1);
        EXPECT_FALSE(split->Dragging());
        EXPECT_TRUE(Lines().isEmpty());
        Move({ 300, 60 });
        Release({ 300, 60 });
        EXPECT_EQ(split->BarPosition().X(), 562);
        EXPECT_EQ(resizes, 0);
        // A drag with another button starts nothing either.
        QTest::mousePress(split, Qt::RightButton, {}, onVertical);
        EXPECT_FALSE(split->Dragging());
        QTest::mouseRelease(split, Qt::RightButton, {}, onVertical);
    }

    TEST_F(Drag, lockedBarsDoNotMoveNorChangeTheCursor)
    {
        split->SetLocked(true);
        Move(onVertical);
        EXPECT_EQ(split->cursor().shape(), Qt::ArrowCursor);
        Press(onVertical);
        EXPECT_FALSE(split->Dragging());
        Move({ 300, 60 });
        Release({ 300, 60 });
        EXPECT_EQ(split->BarPosition().X(), 562);
        EXPECT_EQ(resizes, 0);
    }

    TEST_F(Drag, cursorsOverTheBars)
    {
        // A display server may deliver the pointer's move later than the call returns.
        const auto cursorAt = [&](QPoint p, Qt::CursorShape expected) {
            Move(p);
            (void)QTest::qWaitFor([&] { return split->cursor().shape() == expected; });
            return split->cursor().shape();
        };
        Move({ 10, 10 }); // the first move only brings the pointer into the window
        EXPECT_EQ(cursorAt(onVertical, Qt::SplitHCursor), Qt::SplitHCursor);
        EXPECT_EQ(cursorAt(onHorizontal, Qt::SplitVCursor), Qt::SplitVCursor);
        EXPECT_EQ(cursorAt(onCrossing, Qt::CrossCursor), Qt::CrossCursor);
        // The bars reach over the margins.
        EXPECT_EQ(cursorAt({ 566, 1 }, Qt::SplitHCursor), Qt::SplitHCursor);
        EXPECT_EQ(cursorAt({ 1, 60 }, Qt::ArrowCursor), Qt::ArrowCursor);
    }

    TEST_F(Drag, autoUpdateFollowsThePointerWithoutLines)
    {
        split->SetAutoUpdate(true);
        Press(onVertical);
        EXPECT_TRUE(Lines().isEmpty());
        Move({ 500, 60 });
        EXPECT_EQ(split->BarPosition().X(), 496);
        EXPECT_EQ(PaneRect(0).width(), 496);
        Move({ 450, 60 });
        EXPECT_EQ(split->BarPosition().X(), 446);
        EXPECT_EQ(resizes, 2);
        EXPECT_TRUE(Lines().isEmpty());
        Release({ 450, 60 });
        EXPECT_EQ(split->BarPosition().X(), 446);
        EXPECT_EQ(resizes, 2); // the release changed nothing more

        // At the crossing every move sets the point, so every move lays out.
        Press({ 2 + 446 + 1, 165 });
        Move({ 449, 165 });
        Move({ 449, 165 });
        EXPECT_EQ(resizes, 4);
        Release({ 449, 165 });
    }

} // namespace
} // namespace quorvane::test
