#include "platform/desktop/ExecutableIcons.h"
#include "tests/support/ScopedVariable.h"
#include "tests/support/WriteFile.h"

#include <QImage>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>

using namespace quorvane;
using quorvane::testing::ScopedVariable;
using quorvane::testing::WriteFile;
namespace fs = std::filesystem;

namespace {

std::string WriteImage(const fs::path& path, Qt::GlobalColor color)
{
    fs::create_directories(path.parent_path());
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(color);
    image.save(QString::fromStdString(path.string()));
    return path.string();
}

} // namespace

TEST(ExecutableIcons, givesEachProgramTheIconOfItsDesktopEntry)
{
    QTemporaryDir temp;
    const fs::path root = temp.path().toStdString();
    const fs::path apps = root / "data" / "applications";
    for (const char* program :
        { "bin/my tool", "real/linked-target", "opt/themed", "opt/unlisted" }) {
        WriteFile(root / program, "#!/bin/sh\n");
        fs::permissions(root / program, fs::perms::owner_all);
    }
    fs::create_symlink(root / "real" / "linked-target", root / "bin" / "linked");
    WriteImage(root / "icons" / "red icon.png", Qt::red);
    WriteImage(root / "data" / "pixmaps" / "quorvane-test-yellow.png", Qt::yellow);

    const std::string entry = "[Desktop Entry]\nType=Application\n";
    // Only the main group counts, and neither a translated key nor the line end is in a value.
    WriteFile(apps / "tool.desktop",
        "# comment\n[Desktop Entry]\nType = Application\nExec=env LANG=C \"my tool\" %U\nIcon="
            + (root / "icons").string()
            + "/red\\sicon.png\r\nIcon[de]=rot\n[Desktop Action new]\nExec=other\nIcon=other\n"
              "Hidden=true\n");
    WriteFile(apps / "vendor" / "linked.desktop",
        entry + "Exec=linked\nIcon=" + WriteImage(root / "icons" / "green.png", Qt::green));
    WriteFile(apps / "themed.desktop",
        entry + "Exec=" + (root / "opt" / "themed").string() + "\nIcon=quorvane-test-yellow");

    const ScopedVariable home("XDG_DATA_HOME", QByteArray::fromStdString((root / "home").string()));
    const ScopedVariable data("XDG_DATA_DIRS", QByteArray::fromStdString((root / "data").string()));
    const ScopedVariable path(
        "PATH", QByteArray::fromStdString((root / "bin").string() + ":/usr/bin:/bin"));
    QImage black(16, 16, QImage::Format_ARGB32);
    black.fill(Qt::black);
    ExecutableIcons icons(QIcon(QPixmap::fromImage(black)));
    const auto colorOf = [&](const fs::path& program) {
        return icons.IconFor(program.string()).pixmap(16, 16).toImage().pixelColor(8, 8);
    };
    EXPECT_EQ(colorOf(root / "bin" / "my tool"), QColor(Qt::red));
    EXPECT_EQ(colorOf((root / "bin" / "my tool").string() + " (deleted)"), QColor(Qt::red));
    EXPECT_EQ(colorOf(root / "real" / "linked-target"), QColor(Qt::green));
    EXPECT_EQ(colorOf(root / "opt" / "themed"), QColor(Qt::yellow));
    EXPECT_EQ(colorOf(root / "opt" / "unlisted"), QColor(Qt::black));
    EXPECT_TRUE(icons.IconFor("[kthreadd]").isNull());
    // Kept per path: the same answer once the entries are gone.
    fs::remove_all(apps);
    EXPECT_EQ(colorOf(root / "bin" / "my tool"), QColor(Qt::red));
}
