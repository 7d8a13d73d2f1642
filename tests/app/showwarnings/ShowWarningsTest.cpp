#include "ShowWarnings.h"
#include "ConfigHome.h"
#include "TRegIniFile.h"

#include <QAction>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

const QByteArray kOptionsKey = "[HKEY_CURRENT_USER\\Software\\Brindlewick\\Quorvane\\Options]\n";

void StoreRaw(const ConfigHome& home, const QByteArray& valueLine)
{
    home.WriteUserHive("Windows Registry Editor Version 5.00\n\n" + kOptionsKey + valueLine + "\n");
}

// The menu item as the main window has it: a check item whose click runs the toggle.
class MenuItem {
public:
    MenuItem()
    {
        FItem.setCheckable(true);
        FItem.setChecked(GetShowWarnings());
        QObject::connect(&FItem, &QAction::triggered, [this] { ToggleShowWarnings(FItem); });
    }
    void Click() { FItem.trigger(); }
    bool Checked() const { return FItem.isChecked(); }

private:
    QAction FItem { QStringLiteral("&Show Warnings") };
};

} // namespace

TEST(ShowWarnings, emptyStoreShowsWarnings)
{
    ConfigHome home;
    EXPECT_TRUE(GetShowWarnings());
    MenuItem item;
    EXPECT_TRUE(item.Checked());
}

TEST(ShowWarnings, clicksToggleTheStoredValueAndTheCheckMarkFollowsTheStore)
{
    ConfigHome home;
    MenuItem item;
    item.Click();
    EXPECT_FALSE(item.Checked());
    EXPECT_TRUE(home.ReadUserHive().contains(kOptionsKey + "\"Show Warnings\"=\"0\"\n"));
    EXPECT_FALSE(GetShowWarnings());
    item.Click();
    EXPECT_TRUE(item.Checked());
    EXPECT_TRUE(home.ReadUserHive().contains("\"Show Warnings\"=\"1\"\n"));
    EXPECT_TRUE(GetShowWarnings());
}

TEST(ShowWarnings, storedTextIsReadAsAFlag)
{
    ConfigHome home;
    StoreRaw(home, "\"Show Warnings\"=\"2\"");
    EXPECT_TRUE(GetShowWarnings());
    MenuItem item;
    item.Click();
    EXPECT_FALSE(item.Checked());
    EXPECT_TRUE(home.ReadUserHive().contains("\"Show Warnings\"=\"0\"\n"));

    StoreRaw(home, "\"Show Warnings\"=\"yes\"");
    EXPECT_TRUE(GetShowWarnings());
    StoreRaw(home, "\"show warnings\"=\"0\"");
    EXPECT_FALSE(GetShowWarnings());
}

TEST(ShowWarnings, changeMadeWhileRunningCountsAtTheNextUse)
{
    ConfigHome home;
    MenuItem item;
    SetShowWarnings(false);
    EXPECT_FALSE(GetShowWarnings());
    // The check mark catches up only at the next click, which reads before it stores.
    EXPECT_TRUE(item.Checked());
    item.Click();
    EXPECT_TRUE(item.Checked());
    EXPECT_TRUE(GetShowWarnings());
}

TEST(ShowWarnings, aNumberKindRaisesAndTheClickStoresNothing)
{
    ConfigHome home;
    StoreRaw(home, "\"Show Warnings\"=dword:00000000");
    const QByteArray before = home.ReadUserHive();
    try {
        GetShowWarnings();
        FAIL() << "no exception";
    } catch (const ERegistryException& error) {
        EXPECT_EQ(error.Message(), "Invalid data type for 'Show Warnings'");
    }
    QAction item;
    item.setCheckable(true);
    EXPECT_THROW(ToggleShowWarnings(item), ERegistryException);
    EXPECT_EQ(home.ReadUserHive(), before);
}

TEST(ShowWarnings, unwritableStoreRaisesOnSetAndReadsTrue)
{
    ConfigHome home;
    home.WriteUserHive("");
    qputenv("XDG_CONFIG_HOME", (home.UserHive() + "/below-a-file").toLocal8Bit());
    EXPECT_TRUE(GetShowWarnings());
    try {
        SetShowWarnings(false);
        FAIL() << "no exception";
    } catch (const ERegistryException& error) {
        EXPECT_EQ(error.Message(), "Failed to create key Options");
    }
}
