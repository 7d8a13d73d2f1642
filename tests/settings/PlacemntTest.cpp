#include "settings/Placemnt.h"
#include "tests/support/ConfigHome.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

const QString kKey = QStringLiteral("Software\\Brindlewick\\Quorvane");
const QByteArray kSection = "Windows Registry Editor Version 5.00\n\n"
                            "[HKEY_CURRENT_USER\\Software\\Brindlewick\\Quorvane\\MainWindow]\n";

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

// Maximized, the window comes back maximized over the same normal rectangle.
TEST_F(Placement, aWindowComesBackWhereItWasSaved)
{
    for (const bool maximized : { false, true }) {
        SCOPED_TRACE(maximized);
        window.setGeometry(150, 120, 600, 400);
        maximized ? window.showMaximized() : window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.close(); // closing hides the window; the placement is read afterwards
        placement->SavePlacement();
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
        const char* Stored[5]; // show command, left, top, right, bottom
        QRect Expected; // (10, 20, 300, 200): nothing applied
    };
    const char* const names[]
        = { "PlaceShowCmd", "PlaceNormPosL", "PlaceNormPosT", "PlaceNormPosR", "PlaceNormPosB" };
    const Case cases[] = { { { "3", "400", "10", "400", "500" }, QRect(10, 20, 300, 200) },
        { { "maximized", "0x20", "30", "432", "330" }, QRect(32, 30, 400, 300) },
        { { "1", "-50", "-20", "550", "380" }, QRect(-50, -20, 600, 400) } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Expected.left());
        QByteArray lines;
        for (int i = 0; i < 5; ++i)
            lines += QByteArray("\"") + names[i] + "\"=\"" + c.Stored[i] + "\"\n";
        home.WriteUserHive(kSection + lines);
        window.setGeometry(10, 20, 300, 200);
        placement->RestorePlacement();
        EXPECT_EQ(window.geometry(), c.Expected);
        // A show command that is no number reads as 1; nothing else is applied without a width.
        EXPECT_FALSE(window.windowState() & Qt::WindowMaximized);
    }
}

} // namespace
