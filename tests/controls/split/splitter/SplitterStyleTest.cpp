#include "ToxQuadSplit.h"
#include "ToxScrollPane.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace quorvane::test {
namespace {

    struct StyleCase {
        ToxsStyle Style;
        TBorderStyle Border;
        ToxsStyle Effective;
        int Margin;
        TBorderStyle PaneBorder;
    };

    class SplitterStyles : public ::testing::TestWithParam<StyleCase> { };

    TEST_P(SplitterStyles, marginAndPaneBordersFollowTheStyleOnceShown)
    {
        // The newer look stands for an operating system of major version 4 or more.
        ASSERT_TRUE(ToxCustomSplit::NewLookInForce());
        const StyleCase& c = GetParam();
        ToxQuadSplit split;
        split.show();
        split.SetBorderStyle(c.Border);
        split.SetStyle(c.Style);
        EXPECT_EQ(split.EffectiveStyle(), c.Effective);
        EXPECT_EQ(split.Margin(), c.Margin);
        ASSERT_EQ(split.PaneCount(), 4);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(split.Panes(i)->BorderStyle(), c.PaneBorder);
    }

    INSTANTIATE_TEST_SUITE_P(Styles, SplitterStyles,
        ::testing::Values(StyleCase { oxsAuto, bsSingle, oxsWin95, 2, bsNone },
            StyleCase { oxsWin31, bsSingle, oxsWin31, 0, bsSingle },
            StyleCase { oxsWin95, bsSingle, oxsWin95, 2, bsNone },
            StyleCase { oxsInset, bsSingle, oxsInset, 1, bsNone },
            StyleCase { oxsGroove, bsSingle, oxsGroove, 2, bsNone }, // keeps the margin it found
            StyleCase { oxsWin31, bsNone, oxsWin31, 0, bsNone },
            StyleCase { oxsWin95, bsNone, oxsWin95, 0, bsNone },
            StyleCase { oxsInset, bsNone, oxsInset, 0, bsNone }));

    TEST(SplitterStyle, aChildThatIsNoPaneIsACastError)
    {
        ToxQuadSplit split;
        split.show();
        new QWidget(&split);
        EXPECT_THROW(split.SetStyle(oxsWin31), std::bad_cast);
        EXPECT_EQ(split.Style(), oxsWin31); // the field was written before the failure
        EXPECT_THROW(split.SetAutoScroll(false), std::bad_cast);
    }

    // A shown splitter of 830 x 381 with bars of 4 at (562, 161) and empty panes.
    class Frames : public ::testing::Test {
    protected:
        void SetUp() override
        {
            split = std::make_unique<ToxQuadSplit>();
            split->SetBarWidth(4);
            split->resize(830, 381);
            split->BarPosition().SetPoint(562, 161);
            split->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(split.get()));
        }
        QRgb At(int x, int y) { return split->grab().toImage().pixel(x, y); }
        QRgb Role(QPalette::ColorRole role) const { return split->palette().color(role).rgb(); }

        std::unique_ptr<ToxQuadSplit> split;
    };

    TEST_F(Frames, win95DrawsTwoBevelsAroundEachPane)
    {
        ASSERT_EQ(split->EffectiveStyle(), oxsWin95);
        // Pane 0 spans (2, 2) to (563, 162); its frames reach two pixels beyond.
        EXPECT_EQ(At(0, 50), Role(QPalette::Dark));
        EXPECT_EQ(At(50, 0), Role(QPalette::Dark));
        EXPECT_EQ(At(1, 50), Role(QPalette::Shadow));
        EXPECT_EQ(At(50, 1), Role(QPalette::Shadow));
        EXPECT_EQ(At(565, 50), Role(QPalette::Light));
        EXPECT_EQ(At(50, 164), Role(QPalette::Light));
        EXPECT_EQ(At(564, 50), Role(QPalette::Button));
        EXPECT_EQ(At(50, 163), Role(QPalette::Button));
        // Corners: top right and bottom left take the bottom colour.
        EXPECT_EQ(At(565, 0), Role(QPalette::Light));
        EXPECT_EQ(At(0, 164), Role(QPalette::Light));
        // Pane 1 starts at 568, its outer frame at 566.
        EXPECT_EQ(At(566, 50), Role(QPalette::Dark));
    }

    TEST_F(Frames, win31DrawsTheOuterFrameAndBevelsOnlyIn3D)
    {
        split->SetBarColor(Qt::red);
        split->SetStyle(oxsWin31);
        // Pane 0 spans (0, 0) to (561, 160), pane 1 starts at 566.
        EXPECT_EQ(At(562, 50), Role(QPalette::Light));
        EXPECT_EQ(At(565, 50), Role(QPalette::Dark));
        EXPECT_EQ(At(563, 50), QColor(Qt::red).rgb());
        // The outer frame shows where no pane covers it: at the ends of the bars.
        EXPECT_EQ(At(563, 380), Role(QPalette::Shadow));
        EXPECT_EQ(At(563, 0), Role(QPalette::Shadow));
        EXPECT_EQ(At(829, 163), Role(QPalette::Shadow));
        split->SetCtl3D(false);
        EXPECT_EQ(At(562, 50), QColor(Qt::red).rgb());
        EXPECT_EQ(At(565, 50), QColor(Qt::red).rgb());
        EXPECT_EQ(At(563, 380), Role(QPalette::Shadow));
        EXPECT_FALSE(split->Panes(0)->Ctl3D());
    }

    TEST_F(Frames, insetAndGroove)
    {
        split->SetStyle(oxsInset);
        // Pane 0 spans (1, 1) to (562, 161).
        EXPECT_EQ(At(0, 50), Role(QPalette::Dark));
        EXPECT_EQ(At(563, 50), Role(QPalette::Light));
        EXPECT_EQ(At(564, 50), split->BarColor().rgb());

        split->SetStyle(oxsGroove); // keeps the margin 1 of the inset
        // Pane 0 moved by one and grown by 2: (0, 0) to (565, 164).
        EXPECT_EQ(At(0, 50), Role(QPalette::Light));
        EXPECT_EQ(At(565, 50), Role(QPalette::Shadow));
        EXPECT_EQ(At(564, 50), Role(QPalette::Dark));
        EXPECT_EQ(At(50, 164), Role(QPalette::Shadow));
    }

    TEST_F(Frames, appearanceReachesEveryPaneButNotTheBars)
    {
        split->SetColor(Qt::yellow);
        QFont font = split->font();
        font.setPointSize(font.pointSize() + 3);
        split->setFont(font);
        split->SetShowHint(true);
        split->SetAutoScroll(false);
        for (int i = 0; i < 4; ++i) {
            ToxScrollPane* pane = split->Panes(i);
            EXPECT_EQ(pane->Color(), QColor(Qt::yellow));
            EXPECT_EQ(pane->font(), font);
            EXPECT_TRUE(pane->ShowHint());
            EXPECT_FALSE(pane->AutoScroll());
            EXPECT_EQ(pane->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        }
        EXPECT_EQ(At(100, 100), QColor(Qt::yellow).rgb());
        split->SetBarWidth(10); // wide enough for the bar to show between the frames
        EXPECT_EQ(At(569, 100), split->BarColor().rgb());
    }

    TEST_F(Frames, barWidthRewriteLaysOutEvenWhenUnchanged)
    {
        split->Panes(0)->setGeometry(10, 10, 20, 20);
        split->SetBarWidth(4);
        EXPECT_EQ(split->Panes(0)->geometry(), QRect(2, 2, 562, 161));
    }

} // namespace
} // namespace quorvane::test
