// What each extended style changes in a shown list, driven by mouse and keys.
#include "ListFixture.h"

#include <QApplication>
#include <QRubberBand>
#include <QStyleOptionViewItem>

using namespace quorvane;

namespace {

class ExtStylesTest : public quorvane::testing::ListFixture {
protected:
    void SetUp() override
    {
        List->OnItemActivate = [this](QObject* sender) { Activations += sender == List.get(); };
        ListFixture::SetUp();
    }

    void move(const QPoint& to, Qt::MouseButtons buttons = Qt::NoButton)
    {
        QMouseEvent event(QEvent::MouseMove, to, List->viewport()->mapToGlobal(to), Qt::NoButton,
            buttons, Qt::NoModifier);
        QApplication::sendEvent(List->viewport(), &event);
    }

    // A point near the right end of a cell: inside it, clear of its text.
    QRgb pixel(int row, int column)
    {
        const QRect cell = List->visualRect(List->model()->index(row, column));
        const QPoint at(cell.right() - 4, cell.center().y());
        return List->viewport()->grab().toImage().pixel(at);
    }

    int Activations = 0;
};

TEST_F(ExtStylesTest, headerDragReordersOnlyWithDragDropAndColumnsKeepTheirIndex)
{
    const auto first = [&] {
        quorvane::testing::DragHeaderToFront(*List->header(), 2);
        return List->header()->logicalIndex(0);
    };
    EXPECT_EQ(first(), 0);
    List->SetExtendedStyles(lvxHeaderDragDrop);
    EXPECT_EQ(first(), 2);
    int clicked = -1;
    List->OnColumnClick = [&](QObject*, int column) { clicked = column; };
    clickHeader(2);
    EXPECT_EQ(clicked, 2);
}

TEST_F(ExtStylesTest, checkBoxesToggleByMouse)
{
    QStyleOptionViewItem option;
    option.initFrom(List->viewport());
    option.rect = List->visualRect(List->model()->index(1, 0));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    const QPoint box
        = List->style()
              ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, List.get())
              .center();
    QTest::mouseClick(List->viewport(), Qt::LeftButton, {}, box);
    EXPECT_FALSE(List->IsChecked(1));
    List->SetExtendedStyles(lvxCheckboxes);
    QTest::mouseClick(List->viewport(), Qt::LeftButton, {}, box);
    EXPECT_TRUE(List->IsChecked(1));
    QTest::mouseClick(List->viewport(), Qt::LeftButton, {}, box);
    EXPECT_FALSE(List->IsChecked(1));
    List->SetChecked(2, true); // and a row checked by the program shows it
    EXPECT_EQ(List->model()->index(2, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
}

TEST_F(ExtStylesTest, fullRowSelectAndGridLinesChangeThePaintedCells)
{
    List->SetSelected(1);
    const QRgb mid = List->palette().color(QPalette::Mid).rgb();
    const QRect cell = List->visualRect(List->model()->index(0, 1));
    const auto line
        = [&](const QPoint& at) { return List->viewport()->grab().toImage().pixel(at) == mid; };
    EXPECT_EQ(pixel(1, 2), pixel(2, 2));
    EXPECT_FALSE(line({ cell.center().x(), cell.bottom() }));
    List->SetExtendedStyles(lvxFullRowSelect | lvxGridLines);
    EXPECT_NE(pixel(1, 2), pixel(2, 2));
    EXPECT_TRUE(line({ cell.center().x(), cell.bottom() }));
    EXPECT_TRUE(line({ cell.right(), cell.center().y() }));
}

TEST_F(ExtStylesTest, subItemImagesShowOnlyWithTheStyleAndTravelWithTheirRow)
{
    TImageList images;
    QPixmap red(16, 16);
    red.fill(Qt::red);
    images.Add(QIcon(red));
    List->SetSmallImages(&images);
    List->SetSubItemImage(0, 1, 0); // sub-item 1 is column 2
    const auto shown
        = [&](int row) { return List->model()->index(row, 2).data(Qt::DecorationRole).isValid(); };
    EXPECT_FALSE(shown(0));
    List->SetExtendedStyles(lvxSubItemImages);
    EXPECT_TRUE(shown(0));
    EXPECT_FALSE(shown(1));
    List->SortColumn(1, false); // by size: Gamma, beta, alpha, delta
    EXPECT_TRUE(shown(1));
    List->SetSmallImages(nullptr);
}

TEST_F(ExtStylesTest, trackSelectSelectsTheHoveredRow)
{
    move(cellCenter(2));
    EXPECT_EQ(List->Selected(), -1);
    List->SetExtendedStyles(lvxTrackSelect);
    move(cellCenter(2));
    EXPECT_EQ(List->Selected(), 2);
    EXPECT_EQ(List->ItemFocused(), 2);
    move(cellCenter(0, 1));
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
    bool allow = false;
    List->OnMarqueeBegin = [&](QObject*, bool& canBegin) {
        ++asked;
        canBegin = allow;
    };
    const QPoint empty(40, List->viewport()->height() - 10);
    const auto drag = [&](const QPoint& to) {
        QTest::mousePress(List->viewport(), Qt::LeftButton, {}, empty);
        move(to, Qt::LeftButton);
        const auto* band = List->viewport()->findChild<QRubberBand*>();
        const bool shown = band && band->isVisible();
        QTest::mouseRelease(List->viewport(), Qt::LeftButton, {}, to);
        return shown;
    };
    EXPECT_FALSE(drag(cellCenter(1)));
    EXPECT_EQ(List->Selected(), -1);
    allow = true;
    EXPECT_TRUE(drag(cellCenter(1)));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(List->Selected(), 1);
    EXPECT_EQ(List->ItemFocused(), 1);
    clickRow(2); // a press on a row starts no marquee
    EXPECT_EQ(asked, 2);
}

} // namespace
