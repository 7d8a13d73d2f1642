#include "ExecutableIcons.h"
#include "DesktopEntry.h"

#include <QImage>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace quorvane;
namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

void WriteProgram(const fs::path& path)
{
    WriteText(path, "#!/bin/sh\n");
    fs::permissions(path, fs::perms::owner_all);
}

std::string WriteImage(const fs::path& path, Qt::GlobalColor color)
{
    fs::create_directories(path.parent_path());
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(color);
    image.save(QString::fromStdString(path.string()));
    return path.string();
}

QColor ColorOf(const QIcon& icon)
{
    return icon.pixmap(16, 16).toImage().pixelColor(8, 8);
}

// Sets environment variables for one test and puts the old values back.
class ScopedEnvironment {
public:
    void Set(const char* name, const std::string& value)
    {
        const char* old = std::getenv(name);
        FSaved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment()
    {
        for (auto it = FSaved.rbegin(); it != FSaved.rend(); ++it) {
            if (it->second)
                setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};

} // namespace

TEST(DesktopEntry, readsTheDesktopEntryGroupOnly)
{
    const auto entry = DesktopEntry::Parse("# comment\n"
                                           "[Desktop Entry]\n"
                                           "Type = Application\n"
                                           "Name=Tool\n"
                                           "Icon[de]=werkzeug\n"
                                           "Icon=tool\\sicon\n"
                                           "Exec=tool %U\r\n"
                                           "TryExec=/opt/tool/bin/tool\n"
                                           "[Desktop Action new]\n"
                                           "Exec=other --new\n"
                                           "Icon=other\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Type, "Application");
    EXPECT_EQ(entry->Icon, "tool icon");
    EXPECT_EQ(entry->Exec, "tool %U");
    EXPECT_EQ(entry->TryExec, "/opt/tool/bin/tool");
    EXPECT_FALSE(entry->Hidden);

    EXPECT_FALSE(DesktopEntry::Parse("[Other]\nExec=x\n"));
    EXPECT_FALSE(DesktopEntry::Parse(""));
    EXPECT_TRUE(DesktopEntry::Parse("[Desktop Entry]\nHidden=true\n")->Hidden);
}

TEST(DesktopEntry, findsTheProgramAnExecLineStarts)
{
    const struct {
        const char* Exec;
        const char* Program;
    } cases[] = {
        { "tool %U", "tool" },
        { "/usr/bin/tool --flag", "/usr/bin/tool" },
        { "\"/opt/my tool/run\" %f", "/opt/my tool/run" },
        { "\"/opt/say \\\"hi\\\"\" x", "/opt/say \"hi\"" },
        { "env LANG=C GDK_BACKEND=x11 tool %u", "tool" },
        { "/usr/bin/env -u FOO X=1 /opt/tool", "/opt/tool" },
        { "   ", "" },
        { "env A=1", "" },
    };
    for (const auto& test : cases)
        EXPECT_EQ(DesktopEntry::ExecProgram(test.Exec), test.Program) << test.Exec;
}

TEST(ExecutableIcons, givesEachProgramTheIconOfItsDesktopEntry)
{
    QTemporaryDir temp;
    const fs::path root = temp.path().toStdString();
    const fs::path data = root / "data";
    const fs::path home = root / "home";
    const fs::path bin = root / "bin";

    WriteProgram(bin / "my tool");
    WriteProgram(root / "real" / "linked-target");
    fs::create_symlink(root / "real" / "linked-target", bin / "linked");
    WriteProgram(root / "opt" / "tried");
    WriteProgram(root / "opt" / "hidden");
    WriteProgram(root / "opt" / "themed");
    WriteProgram(root / "opt" / "unlisted");

    const std::string red = WriteImage(root / "icons" / "red.png", Qt::red);
    const std::string green = WriteImage(root / "icons" / "green.png", Qt::green);
    const std::string blue = WriteImage(root / "icons" / "blue.png", Qt::blue);
    WriteImage(data / "pixmaps" / "quorvane-test-yellow.png", Qt::yellow);

    WriteText(data / "applications" / "tool.desktop",
        "[Desktop Entry]\nType=Application\nExec=env LANG=C \"my tool\" %U\nIcon=" + red + "\n");
    WriteText(data / "applications" / "vendor" / "linked.desktop",
        "[Desktop Entry]\nType=Application\nExec=linked\nIcon=" + green + "\n");
    WriteText(data / "applications" / "tried.desktop",
        "[Desktop Entry]\nType=Application\nExec=not-installed-anywhere\nTryExec="
            + (root / "opt" / "tried").string() + "\nIcon=" + blue + "\n");
    WriteText(data / "applications" / "hidden.desktop",
        "[Desktop Entry]\nType=Application\nExec=" + (root / "opt" / "hidden").string()
            + "\nIcon=" + red + "\n");
    WriteText(home / "applications" / "hidden.desktop", "[Desktop Entry]\nHidden=true\n");
    WriteText(data / "applications" / "themed.desktop",
        "[Desktop Entry]\nType=Application\nExec=" + (root / "opt" / "themed").string()
            + "\nIcon=quorvane-test-yellow\n");

    ScopedEnvironment environment;
    environment.Set("XDG_DATA_HOME", home.string());
    environment.Set("XDG_DATA_DIRS", data.string());
    environment.Set("PATH", bin.string() + ":/usr/bin:/bin");

    QImage fallbackImage(16, 16, QImage::Format_ARGB32);
    fallbackImage.fill(Qt::black);
    ExecutableIcons icons(QIcon(QPixmap::fromImage(fallbackImage)));

    EXPECT_EQ(ColorOf(icons.IconFor((bin / "my tool").string())), QColor(Qt::red));
    EXPECT_EQ(ColorOf(icons.IconFor((bin / "my tool").string() + " (deleted)")), QColor(Qt::red));
    EXPECT_EQ(
        ColorOf(icons.IconFor((root / "real" / "linked-target").string())), QColor(Qt::green));
    EXPECT_EQ(ColorOf(icons.IconFor((root / "opt" / "tried").string())), QColor(Qt::blue));
    EXPECT_EQ(ColorOf(icons.IconFor((root / "opt" / "themed").string())), QColor(Qt::yellow));
    EXPECT_EQ(ColorOf(icons.IconFor((root / "opt" / "hidden").string())), QColor(Qt::black));
    EXPECT_EQ(ColorOf(icons.IconFor((root / "opt" / "unlisted").string())), QColor(Qt::black));
    EXPECT_EQ(ColorOf(icons.IconFor("/no/such/program")), QColor(Qt::black));
    EXPECT_TRUE(icons.IconFor("[kthreadd]").isNull());
    EXPECT_TRUE(icons.IconFor("").isNull());

    // Kept per path: the same answer once the entries are gone.
    fs::remove_all(data / "applications");
    EXPECT_EQ(ColorOf(icons.IconFor((bin / "my tool").string())), QColor(Qt::red));
}
