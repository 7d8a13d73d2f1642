#include "controls/split/ToxQuadSplit.h"
#include "controls/split/TPendingBarPosition.h"
#include "controls/split/TTrackOverlay.h"
#include "controls/split/ToxScrollPane.h"
#include "toolkit/TComponent.h"

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace quorvane::test {
namespace {

    // A shown window holding a splitter of the main window's size, read from its design the way
    // the main window is: splitter properties and events first, then the design's panes in place
    // of the constructor's, each holding a list.
    class Split : public ::testing::Test {
    protected:
        void SetUp() override
        {
            window = std::make_unique<QWidget>();
            TDesignLoader loader(window.get());
            split = new ToxQuadSplit(window.get());
            split->SetBarWidth(4);
            split->setGeometry(0, 0, 830, 381);
            split->BarPosition().SetPoint(562, 161);
            split->SetColor(Qt::cyan);
            split->OnMouseDown = [this](QObject* sender, Qt::MouseButton, Qt::KeyboardModifiers,
                                     int, int) { downs.append(sender); };
            split->ReadState([this] {
                for (QListWidget*& list : lists) {
                    auto* pane = new ToxScrollPane(split);
                    pane->SetBorderStyle(bsNone); // the splitter's style decides at its loaded step
                    list = new QListWidget;
                    pane->SetClientControl(list);
                }
            });
            loader.Finish();
            window->resize(830, 381);
            window->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
            split->OnResize = [this](QObject*) { ++resizes; };
        }

        QRect PaneRect(int i) const { return split->Panes(i)->geometry(); }
        QPoint BarPoint() const { return { split->BarPosition().X(), split->BarPosition().Y() }; }
        const QList<QRect>& Lines() const { return split->findChild<TTrackOverlay*>()->Shown(); }

        std::unique_ptr<QWidget> window;
        ToxQuadSplit* split = nullptr;
        QListWidget* lists[4] = {};
        QList<QObject*> downs;
        int resizes = 0;
    };

    TEST(SplitChildren, aPaneOutsideASplitterOrAChildThatIsNoPaneIsACastError)
    {
        QWidget form;
        {
            TDesignLoader loader(&form);
            new ToxScrollPane(&form);
            EXPECT_THROW(loader.Finish(), std::bad_cast);
        }
        ToxQuadSplit split;
        new QWidget(&split);
        EXPECT_THROW(split.SetStyle(oxsWin31), std::bad_cast);
    }

    // A position read before the first show waits for the size the window takes as it shows
    // (a maximized one's), then goes.
    TEST(PendingBars, aStoredPositionWaitsForTheFirstShownSize)
    {
        ToxQuadSplit split;
        split.resize(300, 200);
        split.BarPosition().SetPoint(600, 300);
        new TPendingBarPosition(split, { 600, 300 });
        split.resize(830, 381);
        split.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&split));
        EXPECT_EQ(QPoint(split.BarPosition().X(), split.BarPosition().Y()), QPoint(600, 300));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !split.findChild<TPendingBarPosition*>(); }))
            << "still waiting after the first paint";
    }

    TEST_F(Split, panesFillTheQuartersAroundTheBarsAtAnySizeAndBarWidth)
    {
        const QList<QRect> quarters = { QRect(2, 2, 562, 161), QRect(568, 2, 260, 161),
            QRect(568, 167, 260, 212), QRect(2, 167, 562, 212) };
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(PaneRect(i), quarters[i]) << i;
            EXPECT_EQ(lists[i]->size(), PaneRect(i).size()) << "each list fills its pane";
        }
        EXPECT_THROW(split->Panes(4), std::out_of_range);
        split->BarPosition().SetPoint(300, 100);
        split->resize(700, 300); // keeps the bars where they are
        EXPECT_EQ(BarPoint(), QPoint(300, 100));
        EXPECT_EQ(PaneRect(2), QRect(QPoint(306, 106), QPoint(697, 297)));
        EXPECT_EQ(resizes, 2);
        split->SetBarWidth(10);
        EXPECT_EQ(PaneRect(1).left(), 2 + 300 + 10);
    }

    TEST_F(Split, barWritesAreLimitedByTheSplitterSize)
    {
        split->BarPosition().SetPoint(-1, 5000);
        EXPECT_EQ(BarPoint(), QPoint(0, 373));
        EXPECT_EQ(resizes, 1); // the limiting writes, made inside the notification, notify nobody
        split->BarPosition().SetX(2000);
        EXPECT_EQ(split->BarPosition().X(), 822);
    }

    TEST_F(Split, aFailingResizeHandlerDoesNotFreezeTheBars)
    {
        split->OnResize = [](QObject*) { throw std::runtime_error("handler failed"); };
        EXPECT_THROW(split->BarPosition().SetX(300), std::runtime_error);
        split->OnResize = nullptr;
        split->BarPosition().SetX(200);
        EXPECT_EQ(PaneRect(0).width(), 200);
    }

    // The design's panes replace the constructor's and take its look once loaded, then every
    // change of it, and its input handlers.
    TEST_F(Split, appearanceAndInputHandlersReachEveryPane)
    {
        EXPECT_EQ(split->ChildControls().size(), 4);
        EXPECT_EQ(split->Panes(3)->Color(), QColor(Qt::cyan));
        split->SetColor(Qt::yellow);
        split->SetAutoScroll(false);
        for (int i = 0; i < 4; ++i) {
            ToxScrollPane* pane = split->Panes(i);
            EXPECT_EQ(pane->Color(), QColor(Qt::yellow)) << i;
            EXPECT_EQ(pane->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff) << i;
        }
        const std::unique_ptr<QWidget> list(split->Panes(3)->takeWidget()); // a click reaches it
        QTest::mouseClick(split->Panes(3)->viewport(), Qt::LeftButton, {}, { 20, 20 });
        EXPECT_EQ(downs, QList<QObject*> { split->Panes(3) }); // the pane itself, not the splitter
    }

    using enum QPalette::ColorRole;
    struct StyleCase {
        const char* Name;
        ToxsStyle Style;
        TBorderStyle Border;
        int Margin;
        TBorderStyle PaneBorder;
        std::vector<std::tuple<int, int, QPalette::ColorRole>> Frames;
    };

    class Styles : public Split, public ::testing::WithParamInterface<StyleCase> { };

    TEST_P(Styles, marginFramesAndPaneBordersFollowTheStyle)
    {
        // The newer look stands for an operating system of major version 4 or more.
        ASSERT_TRUE(ToxCustomSplit::NewLookInForce());
        const StyleCase& c = GetParam();
        split->SetBarColor(split->palette().color(Highlight)); // to tell the bars from the frames
        split->SetBorderStyle(c.Border);
        split->SetStyle(c.Style);
        EXPECT_EQ(PaneRect(0).topLeft(), QPoint(c.Margin, c.Margin));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(split->Panes(i)->BorderStyle(), c.PaneBorder);
        const QImage image = split->grab().toImage();
        for (const auto& [x, y, role] : c.Frames)
            EXPECT_EQ(image.pixel(x, y), split->palette().color(role).rgb()) << x << "," << y;
    }

    // With a margin of 2 pane 0 spans (2, 2) to (563, 162), with 0 (0, 0) to (561, 160); pane 1
    // starts 4 pixels further right.
    INSTANTIATE_TEST_SUITE_P(Look, Styles,
        ::testing::Values(StyleCase { "autoIsWin95", oxsAuto, bsSingle, 2, bsNone,
                              { { 0, 50, Dark }, { 1, 50, Shadow }, { 565, 50, Light },
                                  { 564, 50, Button }, { 565, 0, Light }, { 566, 50, Dark } } },
            // The outer frame shows at the ends of the bars.
            StyleCase { "win31", oxsWin31, bsSingle, 0, bsSingle,
                { { 562, 50, Light }, { 563, 50, Highlight }, { 563, 0, Shadow } } }),
        [](const auto& info) { return info.param.Name; });

    // The vertical bar covers client columns 564..567, the horizontal bar rows 163..166.
    constexpr QPoint onVertical { 566, 60 };
    constexpr QPoint onHorizontal { 300, 164 };
    constexpr QPoint onCrossing { 565, 165 };
    constexpr QPoint start { 562, 161 };
    enum Bars { kNone, kVertical, kHorizontal, kBoth };

    struct BarDrag {
        const char* Name;
        Bars Over; // under the pointer at the press
        QPoint From;
        QPoint To;
        QPoint Position; // of the bars once dropped
        int Layouts; // OnResize calls by the end, with tracked lines
        int LayoutsAutoUpdate; // and with bars that follow the pointer
        Qt::MouseButton Button = Qt::LeftButton;
    };

    // At the crossing every apply sets the point, which lays out even when nothing moved; the
    // far limit stays 2 pixels short of the edge whatever the margin.
    const BarDrag kDrags[] = {
        { "vertical", kVertical, onVertical, { 400, 90 }, { 396, 161 }, 1, 1 },
        { "horizontal", kHorizontal, onHorizontal, { 100, 250 }, { 562, 247 }, 1, 1 },
        { "crossing", kBoth, onCrossing, { 700, 300 }, { 697, 296 }, 1, 2 },
        { "crossingInPlace", kBoth, onCrossing, onCrossing, start, 1, 2 },
        { "verticalToTheRightEdge", kVertical, onVertical, { 829, 60 }, { 822, 161 }, 1, 1 },
        { "inTheMargin", kNone, { 1, 60 }, { 300, 60 }, start, 0, 0 },
        { "rightButton", kVertical, onVertical, { 300, 60 }, start, 0, 0, Qt::RightButton },
    };

    class Drags : public Split, public ::testing::WithParamInterface<std::tuple<BarDrag, bool>> { };

    TEST_P(Drags, dropsTheGrabbedBarsWhereThePointerTrackedThem)
    {
        const auto& [c, autoUpdate] = GetParam();
        split->SetAutoUpdate(autoUpdate);
        const Bars grabbed = c.Button != Qt::LeftButton ? kNone : c.Over;
        const int m = split->Margin();
        // Without AutoUpdate inverted lines over the grabbed bars, across the splitter.
        const auto linesAt = [&](QPoint p) {
            QList<QRect> lines;
            if (!autoUpdate && (grabbed & kVertical))
                lines.append(QRect(m + p.x(), m, 4, 381 - 2 * m));
            if (!autoUpdate && (grabbed & kHorizontal))
                lines.append(QRect(m, m + p.y(), 830 - 2 * m, 4));
            return lines;
        };
        const Qt::CursorShape cursors[]
            = { Qt::ArrowCursor, Qt::SplitHCursor, Qt::SplitVCursor, Qt::CrossCursor };
        QTest::mouseMove(split, { 5, 5 }); // the first move only brings the pointer into the window
        QTest::mouseMove(split, c.From);
        // A display server may deliver the pointer's move later than the call returns.
        EXPECT_TRUE(QTest::qWaitFor([&] { return split->cursor().shape() == cursors[c.Over]; }));
        QTest::mousePress(split, c.Button, {}, c.From);
        EXPECT_EQ(downs, QList<QObject*> { split });
        EXPECT_EQ(split->Dragging(), grabbed != kNone);
        EXPECT_EQ(Lines(), linesAt(start));
        QTest::mouseMove(split, c.To);
        EXPECT_EQ(Lines(), linesAt(c.Position));
        EXPECT_EQ(BarPoint(), autoUpdate ? c.Position : start);
        QTest::mouseRelease(split, c.Button, {}, { 10, 10 }); // the tracked point counts
        EXPECT_FALSE(split->Dragging());
        EXPECT_TRUE(Lines().isEmpty());
        EXPECT_EQ(BarPoint(), c.Position);
        EXPECT_EQ(PaneRect(0).size(), QSize(c.Position.x(), c.Position.y())); // laid out again
        EXPECT_EQ(resizes, autoUpdate ? c.LayoutsAutoUpdate : c.Layouts);
    }

    INSTANTIATE_TEST_SUITE_P(Bars, Drags,
        ::testing::Combine(::testing::ValuesIn(kDrags), ::testing::Bool()), [](const auto& info) {
            return std::string(std::get<0>(info.param).Name)
                + (std::get<1>(info.param) ? "AutoUpdate" : "Tracked");
        });

    TEST_F(Split, trackedLinesInvertThePixelsAndTheirCommonSquareShowsUnchanged)
    {
        const QImage before = split->grab().toImage();
        QTest::mousePress(split, Qt::LeftButton, {}, onCrossing);
        QTest::mouseMove(split, { 300, 100 });
        const QImage during = split->grab().toImage();
        const auto inverted
            = [&](QPoint p) { return during.pixel(p) == (before.pixel(p) ^ 0x00ffffff); };
        EXPECT_TRUE(inverted({ 300, 40 })); // the vertical line over the top-left list
        EXPECT_EQ(during.pixel(300, 100), before.pixel(300, 100)); // inverted twice
        QTest::mouseRelease(split, Qt::LeftButton, {}, { 300, 100 });
    }

    // The order the program's window sets. A pane moved on its own is put back: writing the
    // current order renumbers anyway.
    TEST_F(Split, tabVisitsThePanesAcrossAndBack)
    {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        split->Panes(1)->SetTabOrder(3);
        split->SetPaneTabOrder(oxsAcross);
        lists[0]->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == lists[0]; }));
        for (const int pane : { 1, 3, 2, 0 }) { // 0 top left, 1 top right, 2 bottom right
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), lists[pane]) << pane;
        }
    }

} // namespace
} // namespace quorvane::test
