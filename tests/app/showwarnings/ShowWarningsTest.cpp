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

TEST(ShowWarnings, storedTextIsReadAsAFlagAndEachClickStoresTheOpposite)
{
    ConfigHome home;
    const std::pair<const char*, bool> stored[] = { { "\"Show Warnings\"=\"2\"", true },
        { "\"Show Warnings\"=\"yes\"", true }, { "\"show warnings\"=\"0\"", false } };
    for (const auto& [line, flag] : stored) {
        StoreRaw(home, line);
        EXPECT_EQ(GetShowWarnings(), flag) << line;
        MenuItem item;
        item.Click();
        EXPECT_EQ(item.Checked(), !flag) << line;
        EXPECT_TRUE(home.ReadUserHive().toLower().contains(
            QByteArray("\"show warnings\"=\"") + (flag ? "0" : "1") + "\"\n"))
            << line;
    }
}

TEST(ShowWarnings, theClickReadsTheStoreBeforeItStoresSoAChangeMadeMeanwhileCounts)
{
    ConfigHome home;
    MenuItem item;
    SetShowWarnings(false);
    EXPECT_TRUE(item.Checked()); // the check mark catches up only at the next click
    item.Click();
    EXPECT_TRUE(item.Checked());
    EXPECT_TRUE(GetShowWarnings());
    // A value of another kind raises, and the click then stores nothing.
    StoreRaw(home, "\"Show Warnings\"=dword:00000000");
    const QByteArray before = home.ReadUserHive();
    QAction plain;
    plain.setCheckable(true);
    EXPECT_THROW(ToggleShowWarnings(plain), ERegistryException);
    EXPECT_EQ(home.ReadUserHive(), before);
}
