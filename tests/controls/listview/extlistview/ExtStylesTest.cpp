#include "ListFixture.h"

#include <QApplication>
#include <QRubberBand>
#include <QStyleOptionViewItem>
#include <gtest/gtest.h>

using namespace quorvane;
using quorvane::testing::ListFixture;

namespace {

class ExtStylesTest : public ::testing::Test, public ListFixture {
protected:
    void SetUp() override
    {
        addColumns({ "Name", "Size", "Path" });
        addRow({ "one", "1", "/a" });
        addRow({ "two", "2", "/b" });
        addRow({ "three", "3", "/c" });
        List->OnItemActivate = [this](QObject* sender) {
            EXPECT_EQ(sender, List.get());
            ++Activations;
        };
        ASSERT_TRUE(show());
    }

    void hover(const QPoint& at)
    {
        QMouseEvent move(QEvent::MouseMove, at, List->viewport()->mapToGlobal(at), Qt::NoButton,
            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(List->viewport(), &move);
    }

    QColor pixel(const QPoint& at) { return List->viewport()->grab().toImage().pixelColor(at); }

    int Activations = 0;
};

TEST_F(ExtStylesTest, headerDragReordersOnlyWithDragDrop)
{
    dragHeaderToFront(2);
    EXPECT_EQ(order(), std::vector<int>({ 0, 1, 2 }));
    List->SetExtendedStyles(lvxHeaderDragDrop);
    dragHeaderToFront(2);
    EXPECT_EQ(order(), std::vector<int>({ 2, 0, 1 }));
    // Columns keep their collection index: a click on the moved header still names column 2.
    int clicked = -1;
    List->OnColumnClick = [&](QObject*, int column) { clicked = column; };
    clickHeader(2);
    EXPECT_EQ(clicked, 2);
}

TEST_F(ExtStylesTest, checkBoxesToggleByMouse)
{
    EXPECT_FALSE(List->model()->flags(List->model()->index(0, 0)) & Qt::ItemIsUserCheckable);
    List->SetExtendedStyles(lvxCheckboxes);
    QStyleOptionViewItem option;
    option.initFrom(List->viewport());
    option.rect = List->visualRect(List->model()->index(1, 0));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    const QRect box
        = List->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, List.get());
    QTest::mouseClick(List->viewport(), Qt::LeftButton, {}, box.center());
    EXPECT_TRUE(List->IsChecked(1));
    EXPECT_EQ(List->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    QTest::mouseClick(List->viewport(), Qt::LeftButton, {}, box.center());
    EXPECT_FALSE(List->IsChecked(1));
    List->SetChecked(2, true);
    EXPECT_EQ(List->model()->index(2, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
}

TEST_F(ExtStylesTest, fullRowSelectHighlightsEveryCell)
{
    List->SetSelected(1);
    const QRect cell = List->visualRect(List->model()->index(1, 2));
    const QPoint inside(cell.right() - 4, cell.center().y());
    const QRect plain = List->visualRect(List->model()->index(2, 2));
    const QPoint unselected(plain.right() - 4, plain.center().y());
    EXPECT_EQ(pixel(inside), pixel(unselected));
    List->SetExtendedStyles(lvxFullRowSelect);
    EXPECT_NE(pixel(inside), pixel(unselected));
}

TEST_F(ExtStylesTest, gridLinesAreDrawnBetweenRowsAndColumns)
{
    const QRect cell = List->visualRect(List->model()->index(0, 1));
    const QPoint rowLine(cell.center().x(), cell.bottom());
    const QPoint columnLine(cell.right(), cell.center().y());
    const QColor before = pixel(rowLine);
    List->SetExtendedStyles(lvxGridLines);
    const QRgb mid = List->palette().color(QPalette::Mid).rgb();
    EXPECT_NE(before.rgb(), mid);
    EXPECT_EQ(pixel(rowLine).rgb(), mid);
    EXPECT_EQ(pixel(columnLine).rgb(), mid);
}

TEST_F(ExtStylesTest, subItemImagesShowOnlyWithTheStyle)
{
    TImageList images;
    QPixmap red(16, 16);
    red.fill(Qt::red);
    images.Add(QIcon(red));
    List->SetSmallImages(&images);
    List->SetSubItemImage(0, 1, 0); // sub-item 1 is column 2
    EXPECT_FALSE(List->model()->index(0, 2).data(Qt::DecorationRole).isValid());
    List->SetExtendedStyles(lvxSubItemImages);
    EXPECT_TRUE(List->model()->index(0, 2).data(Qt::DecorationRole).isValid());
    EXPECT_FALSE(List->model()->index(1, 2).data(Qt::DecorationRole).isValid());
    // The image travels with its row when the list sorts.
    List->SortColumn(0, false); // two, three, one
    EXPECT_TRUE(List->model()->index(2, 2).data(Qt::DecorationRole).isValid());
    List->SetSmallImages(nullptr);
}

TEST_F(ExtStylesTest, trackSelectSelectsTheHoveredRow)
{
    hover(cellCenter(2));
    EXPECT_EQ(List->Selected(), -1);
    List->SetExtendedStyles(lvxTrackSelect);
    hover(cellCenter(2));
    EXPECT_EQ(List->Selected(), 2);
    EXPECT_EQ(List->ItemFocused(), 2);
    hover(cellCenter(0, 1));
    EXPECT_EQ(List->Selected(), 0);
}

TEST_F(ExtStylesTest, activationByDoubleClickOrEnterUnlessOneOrTwoClicksAreChosen)
{
    clickRow(1);
    QTest::mouseDClick(List->viewport(), Qt::LeftButton, {}, cellCenter(1));
    List->setFocus();
    QTest::keyClick(List.get(), Qt::Key_Return);
    EXPECT_EQ(Activations, 2);
    List->SetExtendedStyles(lvxOneClickActivate);
    clickRow(0);
    EXPECT_EQ(Activations, 3);
    List->SetExtendedStyles(lvxTwoClickActivate);
    clickRow(2); // not selected before the click
    EXPECT_EQ(Activations, 3);
    clickRow(2);
    EXPECT_EQ(Activations, 4);
}

TEST_F(ExtStylesTest, marqueeSelectsTheRowItEndsOnUnlessRefused)
{
    int asked = 0;
    bool allow = true;
    List->OnMarqueeBegin = [&](QObject*, bool& canBegin) {
        ++asked;
        canBegin = allow;
    };
    QWidget* port = List->viewport();
    const QPoint empty(40, port->height() - 10);
    auto drag = [&](const QPoint& to) {
        QTest::mousePress(port, Qt::LeftButton, {}, empty);
        QMouseEvent move(QEvent::MouseMove, to, port->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
            Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        const bool bandShown
            = port->findChild<QRubberBand*>() && port->findChild<QRubberBand*>()->isVisible();
        QTest::mouseRelease(port, Qt::LeftButton, {}, to);
        return bandShown;
    };
    allow = false;
    EXPECT_FALSE(drag(cellCenter(1)));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(List->Selected(), -1);
    allow = true;
    EXPECT_TRUE(drag(cellCenter(1)));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(List->Selected(), 1);
    EXPECT_EQ(List->ItemFocused(), 1);
    // A press on a row selects it and starts no marquee.
    clickRow(2);
    EXPECT_EQ(asked, 2);
}

} // namespace
