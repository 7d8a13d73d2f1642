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

struct RestoreCase {
    const char* What;
    QByteArray Values; // lines of the MainWindow section
    QRect Expected; // (10, 20, 300, 200): nothing applied
};

class PlacementRestore : public Placement, public ::testing::WithParamInterface<RestoreCase> { };

TEST_P(PlacementRestore, appliesTheNormalRectangleOnlyWhenItHasAWidth)
{
    const RestoreCase& c = GetParam();
    home.WriteUserHive("Windows Registry Editor Version 5.00\n\n" + kSectionKey + c.Values);
    window->setGeometry(10, 20, 300, 200);
    placement->RestorePlacement();
    EXPECT_EQ(window->geometry(), c.Expected);
    // A show command that is no number reads as 1; nothing else is applied without a width.
    EXPECT_FALSE(window->windowState() & Qt::WindowMaximized);
    // Saved as the platform reports it, negative coordinates included.
    placement->SavePlacement();
    EXPECT_EQ(Stored("PlaceNormPosL"), c.Expected.left());
    EXPECT_EQ(Stored("PlaceNormPosT"), c.Expected.top());
}

INSTANTIATE_TEST_SUITE_P(Stored, PlacementRestore,
    ::testing::Values(RestoreCase { "empty", "", QRect(10, 20, 300, 200) },
        RestoreCase { "no width",
            "\"PlaceShowCmd\"=\"3\"\n\"PlaceNormPosL\"=\"400\"\n\"PlaceNormPosT\"=\"10\"\n"
            "\"PlaceNormPosR\"=\"400\"\n\"PlaceNormPosB\"=\"500\"\n",
            QRect(10, 20, 300, 200) },
        RestoreCase { "right edge missing",
            "\"PlaceShowCmd\"=\"1\"\n\"PlaceNormPosL\"=\"40\"\n\"PlaceNormPosT\"=\"40\"\n"
            "\"PlaceNormPosB\"=\"300\"\n",
            QRect(10, 20, 300, 200) },
        RestoreCase { "not numbers",
            "\"PlaceShowCmd\"=\"maximized\"\n\"PlaceNormPosL\"=\"0x20\"\n\"PlaceNormPosT\"=\"30\"\n"
            "\"PlaceNormPosR\"=\"432\"\n\"PlaceNormPosB\"=\"330\"\n",
            QRect(32, 30, 400, 300) },
        RestoreCase { "negative",
            "\"PlaceShowCmd\"=\"1\"\n\"PlaceNormPosL\"=\"-50\"\n\"PlaceNormPosT\"=\"-20\"\n"
            "\"PlaceNormPosR\"=\"550\"\n\"PlaceNormPosB\"=\"380\"\n",
            QRect(-50, -20, 600, 400) }),
    [](const ::testing::TestParamInfo<RestoreCase>& info) {
        return QString::fromLatin1(info.param.What).remove(' ').toStdString();
    });

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
