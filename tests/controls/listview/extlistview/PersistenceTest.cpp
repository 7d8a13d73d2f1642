// Column order and widths in the settings store: restored when the window's design has loaded,
// saved when the list goes, a bad stored state refused. The round trip through the main window
// is the main window test's.
#include "ConfigHome.h"
#include "ExtListView.h"
#include "HeaderGestures.h"
#include "TMessageBox.h"
#include "TRegIniFile.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace quorvane;
using quorvane::testing::DragHeaderEdge;

namespace {

const QString kListKey = QStringLiteral("Software\\Brindlewick\\Quorvane\\ProcessList");

struct Design {
    bool AutoSave = true;
    QString RegistryKey = kListKey;
    bool SaveColumnOrder = true;
    bool SaveColumnSizes = true;
    bool WithColumns = true;
};

// A list built inside a loader bracket as the main window's are: it restores its columns when
// loading ends and saves them when it goes.
std::unique_ptr<TExtListView> MakeList(const Design& design = {})
{
    auto list = std::make_unique<TExtListView>();
    TDesignLoader loader(list.get());
    if (design.WithColumns) {
        list->AddColumn({ "Process", 80, Qt::AlignLeft, false });
        list->AddColumn({ "ID", 60, Qt::AlignRight, false });
        list->AddColumn({ "Full Path", 120, Qt::AlignLeft, true });
    }
    list->SetExtendedStyles(lvxHeaderDragDrop);
    list->SaveSettings().SetAutoSave(design.AutoSave);
    list->SaveSettings().SetRegistryKey(design.RegistryKey);
    list->SaveSettings().SetSaveColumnOrder(design.SaveColumnOrder);
    list->SaveSettings().SetSaveColumnSizes(design.SaveColumnSizes);
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
    static QString stored(const QString& name, const QString& key = kListKey)
    {
        return TRegIniFile(key).ReadText("Columns", name, "<none>");
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
        { "1,0,2,3", "120,x,80", { 1, 0, 2 }, { 120, 0, 80 } }, // extra entry ignored, bad one 0
        { "2", "90", { 2, 0, 1 }, { 90, 60, -1 } }, // short: the rest in collection order / design
        { "1,1,0", "-1,50,50", { 0, 1, 2 }, { 80, 60, -1 } }, // not a permutation; -1: no widths
        { " 1, 2,$0", "$64,,70", { 1, 2, 0 }, { 100, 0, 70 } },
        { "", "", { 0, 1, 2 }, { 80, 60, -1 } }, // empty: as on a first run
        { "a,b,c", "1,2,3,", { 0, 1, 2 }, { 1, 2, 3 } },
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
        Design design;
        design.SaveColumnOrder = order;
        design.SaveColumnSizes = !order;
        const auto list = MakeList(design);
        EXPECT_EQ(Order(*list)[0], order ? 2 : 0);
        EXPECT_EQ(list->columnWidth(1), order ? 60 : 90);
        DragHeaderEdge(*list->header(), 1, 20);
    }
    EXPECT_EQ(stored("Order"), "2,1,0");
    EXPECT_TRUE(stored("Sizes").startsWith("90,110,"));
}

TEST_F(PersistenceTest, nothingIsStoredWithoutAutoSaveOrColumnsAndAnEmptyKeyIsTheRoot)
{
    Design design;
    design.AutoSave = false;
    MakeList(design)->StoreSettings();
    design.AutoSave = true;
    design.WithColumns = false;
    MakeList(design)->StoreSettings();
    design.WithColumns = true;
    design.RegistryKey.clear();
    auto list = MakeList(design);
    EXPECT_FALSE(QFile::exists(Home.UserHive())); // nor before a list goes
    list.reset();
    EXPECT_EQ(stored("Order", QString()), "0,1,2");
    EXPECT_EQ(stored("Order"), "<none>");
}

TEST_F(PersistenceTest, switchingToVirtualModeSavesAndDoesNotRestore)
{
    const auto list = MakeList();
    DragHeaderEdge(*list->header(), 0, 10);
    list->SetVirtualMode(true);
    EXPECT_TRUE(stored("Sizes").startsWith("90,60,"));
    store("2,1,0", "33,33,33");
    list->SetVirtualMode(false);
    EXPECT_EQ(list->columnWidth(0), 90);
    list->SaveSettings().SetAutoSave(false);
}

TEST_F(PersistenceTest, storeFailuresReachTheCallerAndFromTheDestructorTheErrorHandler)
{
    std::vector<QString> boxes;
    TMessageBox::SetAnswerHook([&boxes](const TMessageRequest& request) {
        boxes.push_back(request.Text);
        return TModalResult::mrOk;
    });
    auto list = MakeList();
    // A config folder below a regular file cannot be made.
    QFile blocker(Home.Path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", (Home.Path() + "/file/config").toLocal8Bit());
    EXPECT_THROW(list->StoreSettings(), ERegistryException);
    EXPECT_NO_THROW(list.reset());
    EXPECT_EQ(boxes, std::vector<QString> { "Failed to create key Columns." });
    TMessageBox::SetAnswerHook({});
    qputenv("XDG_CONFIG_HOME", saved);
}

} // namespace
