// Column order and widths in the settings store: what is read of a bad stored state, and what each
// flag reads and writes. The round trip through a restart, and a store that fails at exit, are
// the main window test's.
#include "controls/listview/ExtListView.h"
#include "settings/TRegIniFile.h"
#include "tests/support/ConfigHome.h"
#include "tests/support/HeaderGestures.h"

#include <gtest/gtest.h>

using namespace quorvane;
using quorvane::testing::DragHeaderEdge;

namespace {

const QString kListKey = QStringLiteral("Software\\Brindlewick\\Quorvane\\ProcessList");

// A list built inside a loader bracket as the main window's are: it restores its columns when
// loading ends and saves them when it goes. The design may change its save settings.
std::unique_ptr<TExtListView> MakeList(const std::function<void(TELVSaveSettings&)>& design = {})
{
    auto list = std::make_unique<TExtListView>();
    TDesignLoader loader(list.get());
    for (const int width : { 80, 60, 120 })
        list->AddColumn({ QString::number(width), width, Qt::AlignLeft, false });
    list->SetExtendedStyles(lvxHeaderDragDrop);
    list->SaveSettings().SetAutoSave(true);
    list->SaveSettings().SetRegistryKey(kListKey);
    if (design)
        design(list->SaveSettings());
    loader.Finish();
    list->resize(500, 200);
    list->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    return list;
}

std::vector<int> Order(const TExtListView& list)
{
    std::vector<int> order(size_t(list.ColumnCount()));
    list.GetColumnOrder(order);
    return order;
}

class PersistenceTest : public ::testing::Test {
protected:
    static QString stored(const QString& name)
    {
        return TRegIniFile(kListKey).ReadText("Columns", name, "<none>");
    }
    static void store(const QString& order, const QString& sizes)
    {
        TRegIniFile file(kListKey);
        file.WriteText("Columns", "Order", order);
        file.WriteText("Columns", "Sizes", sizes);
    }

    ConfigHome Home;
};

TEST_F(PersistenceTest, readsWhatItCanOfAStoredStateAndRefusesABadOrder)
{
    struct Case {
        QString Order;
        QString Sizes;
        std::vector<int> ExpectOrder;
        std::vector<int> ExpectWidths; // -1: not checked
    };
    const Case cases[] = {
        // An extra entry is ignored; one that is no 32-bit integer (here 2^32 + 100) reads as 0.
        { "1,0,2,3", "+120,4294967396,80 ", { 1, 0, 2 }, { 120, 0, 0 } },
        { "2", "90", { 2, 0, 1 }, { 90, 60, -1 } }, // short: the rest in collection order / design
        { "1,1,0", "-1,50,50", { 0, 1, 2 }, { 80, 60, -1 } }, // not a permutation; -1: no widths
        { "", "", { 0, 1, 2 }, { 80, 60, -1 } }, // empty: as on a first run
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Order.toStdString() + " / " + c.Sizes.toStdString());
        store(c.Order, c.Sizes);
        const auto list = MakeList();
        EXPECT_EQ(Order(*list), c.ExpectOrder);
        for (int column = 0; column < 3; ++column)
            if (c.ExpectWidths[size_t(column)] >= 0) {
                EXPECT_EQ(list->columnWidth(column), c.ExpectWidths[size_t(column)]);
            }
        list->SaveSettings().SetAutoSave(false); // keep the stored texts for the next case
    }
}

TEST_F(PersistenceTest, eachValueIsReadAndWrittenOnlyWhenItsFlagIsSet)
{
    store("2,1,0", "90,90,90");
    for (const bool order : { false, true }) {
        const auto list = MakeList([order](TELVSaveSettings& settings) {
            settings.SetSaveColumnOrder(order);
            settings.SetSaveColumnSizes(!order);
        });
        EXPECT_EQ(Order(*list)[0], order ? 2 : 0);
        EXPECT_EQ(list->columnWidth(1), order ? 60 : 90);
        DragHeaderEdge(*list->header(), 1, 20);
    }
    EXPECT_EQ(stored("Order"), "2,1,0");
    EXPECT_TRUE(stored("Sizes").startsWith("90,110,"));
}

} // namespace
