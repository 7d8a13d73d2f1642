#pragma once

#include "tests/support/ScopedVariable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Points XDG_DATA_HOME and XDG_DATA_DIRS at fresh temporary folders, and Qt's icon theme at a
// theme inside them, for the life of the object: the desktop entries and icons a test sees are
// the ones it wrote, never what the machine has installed.
class DesktopData {
public:
    DesktopData();
    ~DesktopData();
    DesktopData(const DesktopData&) = delete;
    DesktopData& operator=(const DesktopData&) = delete;

    // An application entry applications/ID.desktop that runs PROGRAM and shows ICON.
    void WriteEntry(const QString& id, const QString& program, const QString& icon) const;
    // An icon NAME of the theme, a plain 16 x 16 square.
    void WriteIcon(const QString& name) const;

private:
    QString ThemeDir() const;

    QTemporaryDir FHome;
    QTemporaryDir FDirs;
    quorvane::testing::ScopedVariable FHomeVariable { "XDG_DATA_HOME", FHome.path().toLocal8Bit() };
    quorvane::testing::ScopedVariable FDirsVariable { "XDG_DATA_DIRS", FDirs.path().toLocal8Bit() };
    QString FTheme;
    QString FOldThemeName;
    QStringList FOldSearchPaths;
    QStringList FOldFallbackPaths;
};
