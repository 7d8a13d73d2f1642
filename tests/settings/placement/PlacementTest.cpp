#include "ConfigHome.h"
#include "EAbort.h"
#include "Placemnt.h"
#include "TRegIniFile.h"

#include <QFileInfo>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

const QString kKey = QStringLiteral("Software\\Brindlewick\\Quorvane");
const QByteArray kSection = "Windows Registry Editor Version 5.00\n\n"
                            "[HKEY_CURRENT_USER\\Software\\Brindlewick\\Quorvane\\MainWindow]\n";

int Stored(const char* name)
{
    return TRegIniFile(kKey).ReadNumber("MainWindow", name, -99999);
}

// A top-level window named as the main window, with its placement component.
class Placement : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.setObjectName("MainWindow");
        placement = new TPlacement(&window);
        placement->SetIniFileName(kKey);
    }

    ConfigHome home;
    QWidget window;
    TPlacement* placement = nullptr;
};

TEST_F(Placement, aWindowComesBackWhereAndHowItWasSaved)
{
    for (const bool maximized : { false, true }) {
        SCOPED_TRACE(maximized ? "maximized" : "normal");
        window.setGeometry(150, 120, 600, 400);
        window.setWindowState(maximized ? Qt::WindowMaximized : Qt::WindowNoState);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.close(); // closing hides the window; the placement is read afterwards
        placement->SavePlacement();
        const std::pair<const char*, int> values[] = { { "PlaceFlags", 0 },
            { "PlaceShowCmd", maximized ? 3 : 1 }, { "PlaceMinPosX", -1 }, { "PlaceMinPosY", -1 },
            { "PlaceMaxPosX", -1 }, { "PlaceMaxPosY", -1 }, { "PlaceNormPosL", 150 },
            { "PlaceNormPosT", 120 }, { "PlaceNormPosR", 750 }, { "PlaceNormPosB", 520 } };
        for (const auto& [name, value] : values)
            EXPECT_EQ(Stored(name), value) << name;

        QWidget next;
        next.setObjectName("MainWindow");
        TPlacement restore(&next);
        restore.SetIniFileName(kKey);
        restore.RestorePlacement();
        next.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&next));
        EXPECT_EQ(next.isMaximized(), maximized);
        EXPECT_EQ(next.normalGeometry(), QRect(150, 120, 600, 400));
    }
}

TEST_F(Placement, appliesTheStoredRectangleOnlyWhenItHasAWidth)
{
    struct Case {
        const char* What;
        QByteArray Values; // lines of the MainWindow section
        QRect Expected; // (10, 20, 300, 200): nothing applied
    };
    const Case cases[] = { { "empty", "", QRect(10, 20, 300, 200) },
        { "no width",
            "\"PlaceShowCmd\"=\"3\"\n\"PlaceNormPosL\"=\"400\"\n\"PlaceNormPosT\"=\"10\"\n"
            "\"PlaceNormPosR\"=\"400\"\n\"PlaceNormPosB\"=\"500\"\n",
            QRect(10, 20, 300, 200) },
        { "not numbers",
            "\"PlaceShowCmd\"=\"maximized\"\n\"PlaceNormPosL\"=\"0x20\"\n\"PlaceNormPosT\"=\"30\"\n"
            "\"PlaceNormPosR\"=\"432\"\n\"PlaceNormPosB\"=\"330\"\n",
            QRect(32, 30, 400, 300) },
        { "negative",
            "\"PlaceShowCmd\"=\"1\"\n\"PlaceNormPosL\"=\"-50\"\n\"PlaceNormPosT\"=\"-20\"\n"
            "\"PlaceNormPosR\"=\"550\"\n\"PlaceNormPosB\"=\"380\"\n",
            QRect(-50, -20, 600, 400) } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        home.WriteUserHive(kSection + c.Values);
        window.setGeometry(10, 20, 300, 200);
        placement->RestorePlacement();
        EXPECT_EQ(window.geometry(), c.Expected);
        // A show command that is no number reads as 1; nothing else is applied without a width.
        EXPECT_FALSE(window.windowState() & Qt::WindowMaximized);
        // Saved as the platform reports it, negative coordinates included.
        placement->SavePlacement();
        EXPECT_EQ(Stored("PlaceNormPosL"), c.Expected.left());
        EXPECT_EQ(Stored("PlaceNormPosT"), c.Expected.top());
    }
}

TEST_F(Placement, anEmptyKeyTouchesNeitherStoreNorWindow)
{
    placement->SetIniFileName("");
    window.setGeometry(10, 20, 300, 200);
    placement->SavePlacement();
    EXPECT_FALSE(QFileInfo::exists(home.UserHive()));
    home.WriteUserHive(kSection + "\"PlaceNormPosL\"=\"0\"\n\"PlaceNormPosR\"=\"900\"\n");
    placement->RestorePlacement();
    EXPECT_EQ(window.geometry(), QRect(10, 20, 300, 200));
}

TEST_F(Placement, noWindowToReadAbortsSilentlyBeforeTheStore)
{
    QObject notAWindow;
    TPlacement orphan(&notAWindow, "MainWindow");
    orphan.SetIniFileName(kKey);
    EXPECT_THROW(orphan.SavePlacement(), EAbort);
    EXPECT_FALSE(QFileInfo::exists(home.UserHive()));
}

} // namespace
