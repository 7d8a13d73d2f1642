#include "ConfigHome.h"
#include "ListFixture.h"
#include "TMessageBox.h"
#include "TRegIniFile.h"

#include <QFile>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace quorvane;
using quorvane::testing::DragHeaderEdge;
using quorvane::testing::DragHeaderToFront;

namespace {

const QString kListKey = QStringLiteral("Software\\Brindlewick\\Quorvane\\ProcessList");
const QString kColumns = QStringLiteral("Columns");

struct Design {
    bool AutoSave = true;
    QString RegistryKey = kListKey;
    bool SaveColumnOrder = true;
    bool SaveColumnSizes = true;
    bool WithColumns = true;
};

// A window holding one list, built from its design inside a loader bracket as the main window is:
// the list restores its columns when loading ends and saves them when it is destroyed.
class ListWindow {
public:
    explicit ListWindow(const Design& design)
        : Window(std::make_unique<QWidget>())
    {
        TDesignLoader loader(Window.get());
        List = new TExtListView(Window.get());
        List->setObjectName("ProcessList");
        auto* layout = new QVBoxLayout(Window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(List);
        if (design.WithColumns) {
            List->AddColumn({ "Process", 80, Qt::AlignLeft, false });
            List->AddColumn({ "ID", 60, Qt::AlignRight, false });
            List->AddColumn({ "Full Path", 120, Qt::AlignLeft, true });
        }
        List->SetExtendedStyles(lvxHeaderDragDrop | lvxFullRowSelect);
        List->SetAutoColumnSort(acsSortToggle);
        List->SaveSettings().SetAutoSave(design.AutoSave);
        List->SaveSettings().SetRegistryKey(design.RegistryKey);
        List->SaveSettings().SetSaveColumnOrder(design.SaveColumnOrder);
        List->SaveSettings().SetSaveColumnSizes(design.SaveColumnSizes);
        EXPECT_TRUE(List->IsLoading());
        loader.Finish();
        Window->resize(500, 200);
        Window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    }

    std::vector<int> order() const
    {
        std::vector<int> result(size_t(List->ColumnCount()));
        EXPECT_TRUE(List->GetColumnOrder(result));
        return result;
    }
    std::vector<int> widths() const
    {
        std::vector<int> result;
        for (int column = 0; column < List->ColumnCount(); ++column)
            result.push_back(List->columnWidth(column));
        return result;
    }

    void dragHeaderToFront(int column) { DragHeaderToFront(*List->header(), column); }
    void resizeColumn(int column, int dx) { DragHeaderEdge(*List->header(), column, dx); }

    std::unique_ptr<QWidget> Window;
    TExtListView* List = nullptr;
};

class PersistenceTest : public ::testing::Test {
protected:
    QString stored(const QString& name, const QString& key = kListKey) const
    {
        TRegIniFile store(key);
        return store.ReadText(kColumns, name, QStringLiteral("<none>"));
    }
    void store(const QString& name, const QString& text) const
    {
        TRegIniFile store(kListKey);
        store.WriteText(kColumns, name, text);
    }

    ConfigHome Home;
};

TEST_F(PersistenceTest, firstRunShowsTheDesignAndSavesWhenTheWindowCloses)
{
    auto window = std::make_unique<ListWindow>(Design {});
    EXPECT_EQ(window->order(), std::vector<int>({ 0, 1, 2 }));
    EXPECT_EQ(window->List->columnWidth(0), 80);
    EXPECT_EQ(window->List->columnWidth(1), 60);
    // The last column fills the rest of the list.
    const int filled = window->List->columnWidth(2);
    EXPECT_EQ(filled, window->List->viewport()->width() - 140);
    EXPECT_EQ(stored("Order"), "<none>");
    window.reset();
    EXPECT_EQ(stored("Order"), "0,1,2");
    EXPECT_EQ(stored("Sizes"), QString("80,60,%1").arg(filled));
    EXPECT_TRUE(Home.ReadUserHive().contains(
        "[HKEY_CURRENT_USER\\Software\\Brindlewick\\Quorvane\\ProcessList\\Columns]"));
}

TEST_F(PersistenceTest, malformedAndOddStoredTexts)
{
    struct Case {
        QString Order;
        QString Sizes;
        std::vector<int> ExpectOrder;
        std::vector<int> ExpectWidths; // -1: the column keeps its designed width
    };
    const Case cases[] = {
        { "1,0,2,3", "120,x,80", { 1, 0, 2 }, { 120, 0, 80 } }, // extra entry ignored, bad one 0
        { "2", "90", { 2, 0, 1 }, { 90, 60, -1 } }, // short: the rest in collection order / design
        { "1,1,0", "-1,50,50", { 0, 1, 2 }, { 80, 60, -1 } }, // not a permutation; -1: no widths
        { " 1, 2,$0", "$64,,70", { 1, 2, 0 }, { 100, 0, 70 } },
        { "", "", { 0, 1, 2 }, { 80, 60, -1 } }, // empty: as on a first run
        { "a,b,c", "1,2,3,", { 0, 0, 0 }, { 1, 2, 3 } },
    };
    for (const Case& c : cases) {
        store("Order", c.Order);
        store("Sizes", c.Sizes);
        Design design;
        ListWindow window(design);
        const std::vector<int> expectOrder = c.ExpectOrder == std::vector<int>({ 0, 0, 0 })
            ? std::vector<int>({ 0, 1, 2 })
            : c.ExpectOrder;
        EXPECT_EQ(window.order(), expectOrder) << c.Order.toStdString();
        for (int column = 0; column < 3; ++column)
            if (c.ExpectWidths[size_t(column)] >= 0) {
                EXPECT_EQ(window.List->columnWidth(column), c.ExpectWidths[size_t(column)])
                    << c.Sizes.toStdString() << " column " << column;
            }
        window.List->SaveSettings().SetAutoSave(false); // keep the stored texts for the next case
    }
}

TEST_F(PersistenceTest, eachValueOnlyWhenItsFlagIsSet)
{
    store("Order", "2,1,0");
    {
        Design design;
        design.SaveColumnOrder = false;
        ListWindow window(design);
        EXPECT_EQ(window.order(), std::vector<int>({ 0, 1, 2 })); // not read
        window.resizeColumn(0, 20);
    }
    EXPECT_EQ(stored("Order"), "2,1,0"); // not written
    EXPECT_TRUE(stored("Sizes").startsWith("100,60,"));
}

TEST_F(PersistenceTest, nothingHappensWithoutAutoSaveOrColumns)
{
    {
        Design design;
        design.AutoSave = false;
        ListWindow window(design);
        window.dragHeaderToFront(2);
    }
    {
        Design design;
        design.WithColumns = false;
        ListWindow window(design);
        window.List->StoreSettings();
    }
    EXPECT_FALSE(QFile::exists(Home.UserHive()));
}

TEST_F(PersistenceTest, emptyKeyStoresBelowTheRoot)
{
    {
        Design design;
        design.RegistryKey.clear();
        ListWindow window(design);
    }
    EXPECT_EQ(stored("Order", QString()), "0,1,2");
    EXPECT_EQ(stored("Order"), "<none>");
}

TEST_F(PersistenceTest, switchingToVirtualModeSavesAndDoesNotRestore)
{
    ListWindow window(Design {});
    window.resizeColumn(0, 10);
    window.List->SetVirtualMode(true);
    EXPECT_TRUE(stored("Sizes").startsWith("90,60,"));
    store("Sizes", "33,33,33");
    window.List->SetVirtualMode(false);
    EXPECT_EQ(window.List->columnWidth(0), 90);
    window.List->SaveSettings().SetAutoSave(false);
}

TEST_F(PersistenceTest, storeFailuresReachTheCallerAndFromTheDestructorTheErrorHandler)
{
    std::vector<QString> boxes;
    TMessageBox::SetAnswerHook([&boxes](const TMessageRequest& request) {
        boxes.push_back(request.Text);
        return TModalResult::mrOk;
    });
    auto window = std::make_unique<ListWindow>(Design {});
    // A config folder below a regular file cannot be made.
    QFile blocker(Home.Path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", (Home.Path() + "/file/config").toLocal8Bit());
    EXPECT_THROW(window->List->StoreSettings(), ERegistryException);
    EXPECT_NO_THROW(window.reset());
    EXPECT_EQ(boxes, std::vector<QString> { "Failed to create key Columns." });
    TMessageBox::SetAnswerHook({});
    qputenv("XDG_CONFIG_HOME", saved);
}

} // namespace
