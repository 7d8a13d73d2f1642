#include "ConfigHome.h"
#include "EAbort.h"
#include "Placemnt.h"
#include "SplitterPosition.h"
#include "TComponent.h"
#include "TRegIniFile.h"
#include "ToxQuadSplit.h"
#include "ToxScrollPane.h"

#include <QMainWindow>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace quorvane;

namespace {

const QString kKey = QStringLiteral("Software\\Brindlewick\\Quorvane");

// A main window reduced to what its layout persistence touches: the splitter read from its design
// with the designed values and four lists, the placement component, and the creation and
// destruction steps that read and write them.
class Form : public QMainWindow {
public:
    Form()
    {
        setObjectName("SDIAppForm");
        resize(838, 459);
        TDesignLoader loader(this);
        QuadSplit = new ToxQuadSplit(this);
        QuadSplit->SetBarWidth(4);
        QuadSplit->resize(830, 381);
        QuadSplit->BarPosition().SetX(562);
        QuadSplit->BarPosition().SetY(161);
        QuadSplit->ReadState([this] {
            const char* names[] = { "ProcessList", "ThreadList", "HeapListList", "ModuleList" };
            const int tabOrders[] = { 0, 1, 3, 2 };
            for (int i = 0; i < 4; ++i) {
                auto* pane = new ToxScrollPane(QuadSplit);
                pane->SetBorderStyle(bsNone);
                pane->SetTabOrder(tabOrders[i]);
                auto* list = new QTreeWidget;
                list->setObjectName(names[i]);
                pane->SetClientControl(list);
            }
        });
        setCentralWidget(QuadSplit);
        Placement = new TPlacement(this, "MainWindow");
        Placement->SetIniFileName(kKey);
        loader.Finish();
        // Creation, steps 3 and 4.
        Placement->RestorePlacement();
        ReadSplitterPosition(*QuadSplit);
    }
    ~Form() override
    {
        WriteSplitterPosition(*QuadSplit);
        try {
            Placement->SavePlacement();
        } catch (const EAbort&) {
        }
    }
    void ShowAndWait()
    {
        show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(this));
        QTest::qWait(0);
    }

    ToxQuadSplit* QuadSplit = nullptr;
    TPlacement* Placement = nullptr;
};

int Stored(const char* section, const char* name)
{
    return TRegIniFile(kKey).ReadNumber(section, name, -99999);
}

void DragBar(ToxQuadSplit* split, QPoint from, QPoint to)
{
    QTest::mouseMove(split, from);
    QTest::mousePress(split, Qt::LeftButton, {}, from);
    QTest::mouseMove(split, to);
    QTest::mouseRelease(split, Qt::LeftButton, {}, to);
}

QPoint VerticalBar(ToxQuadSplit* s)
{
    return { s->Margin() + s->BarPosition().X() + 1, 30 };
}
QPoint HorizontalBar(ToxQuadSplit* s)
{
    return { 30, s->Margin() + s->BarPosition().Y() + 1 };
}

TEST(LayoutRoundTrip, firstStartUsesTheDesignAndTheFirstExitStoresEverything)
{
    ConfigHome home;
    {
        Form form;
        form.ShowAndWait();
        EXPECT_EQ(form.QuadSplit->BarPosition().X(), 562);
        EXPECT_EQ(form.QuadSplit->BarPosition().Y(), 161);
    }
    EXPECT_EQ(Stored("Splitter", "X"), 562);
    EXPECT_EQ(Stored("Splitter", "Y"), 161);
    for (const char* name :
        { "PlaceFlags", "PlaceShowCmd", "PlaceMinPosX", "PlaceMinPosY", "PlaceMaxPosX",
            "PlaceMaxPosY", "PlaceNormPosL", "PlaceNormPosT", "PlaceNormPosR", "PlaceNormPosB" })
        EXPECT_NE(Stored("MainWindow", name), -99999) << name;
    EXPECT_EQ(Stored("MainWindow", "PlaceNormPosR") - Stored("MainWindow", "PlaceNormPosL"), 838);
}

TEST(LayoutRoundTrip, barsAndMaximizedStateComeBack)
{
    ConfigHome home;
    int x = 0;
    int y = 0;
    {
        Form form;
        form.ShowAndWait();
        form.showMaximized();
        ToxQuadSplit* split = form.QuadSplit;
        // Below the limit of the normal size, reachable only while maximized. A window manager
        // maximizes in its own time.
        const int normalLimitY = 459 - 2 * split->Margin() - 4;
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return split->MaxBarPosition().y() > normalLimitY + 20; }));
        DragBar(split, HorizontalBar(split), { 30, normalLimitY + 20 });
        DragBar(split, VerticalBar(split), { 300, 30 });
        x = split->BarPosition().X();
        y = split->BarPosition().Y();
        ASSERT_GT(y, normalLimitY);
        ASSERT_LT(x, 562);
        form.close();
    }
    EXPECT_EQ(Stored("Splitter", "X"), x);
    EXPECT_EQ(Stored("Splitter", "Y"), y);
    EXPECT_EQ(Stored("MainWindow", "PlaceShowCmd"), 3);

    Form again;
    EXPECT_TRUE(again.windowState() & Qt::WindowMaximized);
    again.ShowAndWait();
    EXPECT_TRUE(again.isMaximized());
    ASSERT_TRUE(QTest::qWaitFor([&] { return again.height() > 459; }));
    EXPECT_EQ(again.normalGeometry().size(), QSize(838, 459));
    EXPECT_EQ(again.QuadSplit->BarPosition().X(), x);
    EXPECT_EQ(again.QuadSplit->BarPosition().Y(), y);
}

TEST(LayoutRoundTrip, hexadecimalTextIsANumber)
{
    ConfigHome home;
    TRegIniFile(kKey).WriteText("Splitter", "X", "0x100");
    Form form;
    form.ShowAndWait();
    EXPECT_EQ(form.QuadSplit->BarPosition().X(), 256);
    EXPECT_EQ(form.QuadSplit->BarPosition().Y(), 161);
}

TEST(LayoutRoundTrip, aStoredPositionTooLargeIsCutAndStoredCut)
{
    ConfigHome home;
    TRegIniFile(kKey).WriteNumber("Splitter", "X", 5000);
    TRegIniFile(kKey).WriteNumber("Splitter", "Y", -30);
    int limit = 0;
    {
        Form form;
        form.ShowAndWait();
        limit = form.QuadSplit->MaxBarPosition().x();
        EXPECT_EQ(form.QuadSplit->BarPosition().X(), limit);
        EXPECT_EQ(form.QuadSplit->BarPosition().Y(), 0);
        // Once the window stands, a cut value stays cut when it grows.
        form.resize(form.width() + 100, form.height());
        QTest::qWait(0);
        EXPECT_EQ(form.QuadSplit->BarPosition().X(), limit);
    }
    EXPECT_EQ(Stored("Splitter", "X"), limit);
    EXPECT_EQ(Stored("Splitter", "Y"), 0);
}

} // namespace
