#include "ConfigHome.h"
#include "EAbort.h"
#include "Placemnt.h"
#include "TRegIniFile.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace quorvane;

namespace {

const QString kKey = QStringLiteral("Software\\Brindlewick\\Quorvane");
const QByteArray kSectionKey = "[HKEY_CURRENT_USER\\Software\\Brindlewick\\Quorvane\\MainWindow]\n";
const char* const kNames[]
    = { "PlaceFlags", "PlaceShowCmd", "PlaceMinPosX", "PlaceMinPosY", "PlaceMaxPosX",
          "PlaceMaxPosY", "PlaceNormPosL", "PlaceNormPosT", "PlaceNormPosR", "PlaceNormPosB" };

int Stored(const char* name, int fallback = -99999)
{
    return TRegIniFile(kKey).ReadNumber("MainWindow", name, fallback);
}

void Store(std::initializer_list<std::pair<const char*, int>> values)
{
    const TRegIniFile ini(kKey);
    for (const auto& [name, value] : values)
        ini.WriteNumber("MainWindow", name, value);
}

// A top-level window named as the main window, with its placement component.
class Placement : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->setObjectName("MainWindow");
        placement = new TPlacement(window.get());
        placement->SetIniFileName(kKey);
    }

    ConfigHome home;
    std::unique_ptr<QWidget> window;
    TPlacement* placement = nullptr;
};

TEST_F(Placement, sectionDefaultsToTheOwnersName)
{
    EXPECT_EQ(placement->Section(), "MainWindow");
    TPlacement named(window.get(), "Elsewhere");
    EXPECT_EQ(named.Section(), "Elsewhere");
}

TEST_F(Placement, savesTheTenValuesInTheirOrder)
{
    window->setGeometry(120, 80, 838, 459);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    placement->SavePlacement();

    EXPECT_EQ(Stored("PlaceFlags"), 0);
    EXPECT_EQ(Stored("PlaceShowCmd"), 1);
    EXPECT_EQ(Stored("PlaceNormPosL"), window->geometry().left());
    EXPECT_EQ(Stored("PlaceNormPosT"), window->geometry().top());
    EXPECT_EQ(Stored("PlaceNormPosR"), window->geometry().left() + 838);
    EXPECT_EQ(Stored("PlaceNormPosB"), window->geometry().top() + 459);
    // Written one after the other, so the hive lists them in that order.
    const QByteArray hive = home.ReadUserHive();
    qsizetype previous = hive.indexOf(kSectionKey);
    ASSERT_GE(previous, 0);
    for (const char* name : kNames) {
        const qsizetype at = hive.indexOf(QByteArray("\"") + name + "\"=");
        EXPECT_GT(at, previous) << name;
        previous = at;
    }
}

TEST_F(Placement, restoresWhatItSavedMaximizedIncluded)
{
    window->setGeometry(100, 90, 600, 400);
    window->showMaximized();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->close(); // closing hides the window; the placement is read afterwards
    placement->SavePlacement();
    EXPECT_EQ(Stored("PlaceShowCmd"), 3);
    EXPECT_EQ(Stored("PlaceNormPosR") - Stored("PlaceNormPosL"), 600);

    QWidget next;
    next.setObjectName("MainWindow");
    TPlacement restore(&next);
    restore.SetIniFileName(kKey);
    restore.RestorePlacement();
    EXPECT_TRUE(next.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(
        next.normalGeometry(), QRect(Stored("PlaceNormPosL"), Stored("PlaceNormPosT"), 600, 400));
    next.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&next));
    EXPECT_TRUE(next.isMaximized());
    // Un-maximized, it takes the stored normal rectangle again. The offscreen platform has no
    // window manager to ask for that.
    if (QGuiApplication::platformName() != "offscreen") {
        next.showNormal();
        (void)QTest::qWaitFor([&] { return next.size() == QSize(600, 400); });
        EXPECT_EQ(
            next.geometry(), QRect(Stored("PlaceNormPosL"), Stored("PlaceNormPosT"), 600, 400));
    }
}

TEST_F(Placement, theWindowStandsWhereItWasStored)
{
    if (QGuiApplication::platformName().startsWith("wayland"))
        GTEST_SKIP() << "Wayland lets no client place its windows";
    Store({ { "PlaceShowCmd", 1 }, { "PlaceNormPosL", 150 }, { "PlaceNormPosT", 120 },
        { "PlaceNormPosR", 750 }, { "PlaceNormPosB", 520 } });
    placement->RestorePlacement();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    // A window manager may move the window once more after showing it.
    (void)QTest::qWaitFor([&] { return window->geometry() == QRect(150, 120, 600, 400); });
    EXPECT_EQ(window->geometry(), QRect(150, 120, 600, 400));
    placement->SavePlacement();
    EXPECT_EQ(Stored("PlaceNormPosL"), 150);
    EXPECT_EQ(Stored("PlaceNormPosB"), 520);
}

TEST_F(Placement, negativeCoordinatesGoBothWays)
{
    Store({ { "PlaceShowCmd", 1 }, { "PlaceNormPosL", -50 }, { "PlaceNormPosT", -20 },
        { "PlaceNormPosR", 550 }, { "PlaceNormPosB", 380 } });
    placement->RestorePlacement();
    EXPECT_EQ(window->geometry(), QRect(-50, -20, 600, 400));
    // Saved as the platform reports it; where the window may really stand once shown is the
    // window manager's decision.
    placement->SavePlacement();
    EXPECT_EQ(Stored("PlaceNormPosL"), -50);
    EXPECT_EQ(Stored("PlaceNormPosT"), -20);
    EXPECT_TRUE(home.ReadUserHive().contains("\"PlaceNormPosL\"=\"-50\""));
}

TEST_F(Placement, nothingIsAppliedUnlessTheRightEdgeLiesRightOfTheLeft)
{
    window->setGeometry(10, 20, 300, 200);
    const QRect before = window->geometry();
    placement->RestorePlacement(); // empty store: both edges read 0
    EXPECT_EQ(window->geometry(), before);

    Store({ { "PlaceShowCmd", 3 }, { "PlaceNormPosL", 400 }, { "PlaceNormPosT", 10 },
        { "PlaceNormPosR", 400 }, { "PlaceNormPosB", 500 } });
    placement->RestorePlacement();
    EXPECT_EQ(window->geometry(), before);
    EXPECT_FALSE(window->windowState() & Qt::WindowMaximized);

    // Only the right edge missing: it reads 0, not right of a positive left edge.
    home.WriteUserHive("Windows Registry Editor Version 5.00\n\n" + kSectionKey
        + "\"PlaceShowCmd\"=\"1\"\n\"PlaceNormPosL\"=\"40\"\n\"PlaceNormPosT\"=\"40\"\n"
          "\"PlaceNormPosB\"=\"300\"\n");
    placement->RestorePlacement();
    EXPECT_EQ(window->geometry(), before);
}

TEST_F(Placement, aValueThatIsNoNumberTakesItsDefault)
{
    home.WriteUserHive("Windows Registry Editor Version 5.00\n\n" + kSectionKey
        + "\"PlaceShowCmd\"=\"maximized\"\n\"PlaceNormPosL\"=\"0x20\"\n\"PlaceNormPosT\"=\"30\"\n"
          "\"PlaceNormPosR\"=\"432\"\n\"PlaceNormPosB\"=\"330\"\n");
    window->setWindowState(Qt::WindowMaximized);
    placement->RestorePlacement();
    EXPECT_FALSE(window->windowState() & Qt::WindowMaximized); // show command 1, the default
    EXPECT_EQ(window->geometry(), QRect(32, 30, 400, 300));
}

TEST_F(Placement, anEmptyKeyTouchesNeitherStoreNorWindow)
{
    placement->SetIniFileName("");
    window->setGeometry(10, 20, 300, 200);
    placement->SavePlacement();
    EXPECT_FALSE(QFileInfo::exists(home.UserHive()));
    Store({ { "PlaceNormPosL", 0 }, { "PlaceNormPosR", 900 } });
    placement->RestorePlacement();
    EXPECT_EQ(window->geometry(), QRect(10, 20, 300, 200));
}

TEST_F(Placement, noWindowToReadAbortsSilentlyBeforeTheStore)
{
    QObject notAWindow;
    TPlacement orphan(&notAWindow, "MainWindow");
    orphan.SetIniFileName(kKey);
    try {
        orphan.SavePlacement();
        ADD_FAILURE() << "no EAbort";
    } catch (const EAbort& abort) {
        EXPECT_STREQ(abort.what(), "Unable to retrieve window placement");
    }
    EXPECT_FALSE(QFileInfo::exists(home.UserHive()));
}

} // namespace
