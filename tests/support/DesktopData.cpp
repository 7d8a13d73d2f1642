#include "tests/support/DesktopData.h"
#include "tests/support/WriteFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <stdexcept>

DesktopData::DesktopData()
    : FOldThemeName(QIcon::themeName())
    , FOldSearchPaths(QIcon::themeSearchPaths())
    , FOldFallbackPaths(QIcon::fallbackSearchPaths())
{
    if (!FHome.isValid() || !FDirs.isValid())
        throw std::runtime_error("no temporary folder");
    // A name of its own: Qt keeps what it found under a theme's name.
    FTheme = "quorvane-test-" + QFileInfo(FDirs.path()).fileName();
    quorvane::testing::WriteFile(ThemeDir() + "/index.theme",
        "[Icon Theme]\nName=" + FTheme.toUtf8()
            + "\nDirectories=16x16/apps\n\n[16x16/apps]\nSize=16\nType=Fixed\n");
    QIcon::setThemeSearchPaths({ FDirs.path() + "/icons" });
    QIcon::setFallbackSearchPaths({});
    QIcon::setThemeName(FTheme);
}

DesktopData::~DesktopData()
{
    QIcon::setThemeSearchPaths(FOldSearchPaths);
    QIcon::setFallbackSearchPaths(FOldFallbackPaths);
    QIcon::setThemeName(FOldThemeName);
}

QString DesktopData::ThemeDir() const
{
    return FDirs.path() + "/icons/" + FTheme;
}

void DesktopData::WriteEntry(const QString& id, const QString& program, const QString& icon) const
{
    quorvane::testing::WriteFile(FDirs.path() + "/applications/" + id + ".desktop",
        ("[Desktop Entry]\nType=Application\nName=" + id + "\nExec=" + program + "\nIcon=" + icon
            + "\n")
            .toUtf8());
}

void DesktopData::WriteIcon(const QString& name) const
{
    const QString path = ThemeDir() + "/16x16/apps/" + name + ".png";
    QDir().mkpath(QFileInfo(path).path());
    QImage square(16, 16, QImage::Format_ARGB32);
    square.fill(Qt::darkCyan);
    if (!square.save(path, "PNG"))
        throw std::runtime_error("cannot write " + path.toStdString());
}
