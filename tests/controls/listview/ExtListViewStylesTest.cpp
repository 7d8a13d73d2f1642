// What the extended styles the program's lists use, header drag-and-drop and full-row selection,
// change in a shown list, driven by the mouse; the main window test meets them too.
#include "tests/controls/listview/ListFixture.h"

#include <QRubberBand>

using namespace quorvane;

namespace {

class ExtStylesTest : public quorvane::testing::ListFixture {
public:
    // A point near the right end of a cell: inside it, clear of its text.
    QRgb cellPixel(int row, int column)
    {
        const QRect cell = cellRect(row, column);
        return List->viewport()->grab().toImage().pixel(cell.right() - 4, cell.center().y());
    }
};

// Each case is tried on the list without its style, where it must not show, and then with it.
struct StyleCase {
    const char* What;
    TLVExtendedStyle Style;
    std::function<bool(ExtStylesTest&)> Shows;
};

class EachStyle : public ExtStylesTest, public ::testing::WithParamInterface<StyleCase> { };

TEST_P(EachStyle, showsOnlyWhenSet)
{
    EXPECT_FALSE(GetParam().Shows(*this));
    List->SetExtendedStyles(GetParam().Style);
    EXPECT_TRUE(GetParam().Shows(*this));
}

INSTANTIATE_TEST_SUITE_P(Styles, EachStyle,
    ::testing::Values(StyleCase { "headerDragDrop", lvxHeaderDragDrop,
                          [](ExtStylesTest& t) {
                              quorvane::testing::DragHeaderToFront(*t.List->header(), 2);
                              return t.List->header()->logicalIndex(0) == 2;
                          } },
        StyleCase { "fullRowSelect", lvxFullRowSelect,
            [](ExtStylesTest& t) {
                t.List->SetSelected(1);
                return t.cellPixel(1, 2) != t.cellPixel(2, 2);
            } }),
    [](const ::testing::TestParamInfo<StyleCase>& info) { return info.param.What; });

// Every list of the program starts a marquee from a press below its rows, except a virtual one.
TEST_F(ExtStylesTest, marqueeSelectsTheRowItEndsOnUnlessVirtual)
{
    const QPoint empty(40, List->viewport()->height() - 10);
    const auto drag = [&](const QPoint& to) {
        QTest::mousePress(List->viewport(), Qt::LeftButton, {}, empty);
        QTest::mouseMove(List->viewport(), to);
        const auto* band = List->viewport()->findChild<QRubberBand*>();
        const bool shown = band && band->isVisible();
        QTest::mouseRelease(List->viewport(), Qt::LeftButton, {}, to);
        return shown;
    };
    EXPECT_TRUE(drag(cellRect(1).center()));
    EXPECT_EQ(List->Selected(), 1);
    EXPECT_EQ(List->ItemFocused(), 1);
    List->SetVirtualMode(true);
    EXPECT_FALSE(drag(cellRect(1).center()));
}

} // namespace
