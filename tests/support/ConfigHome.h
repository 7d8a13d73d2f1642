#pragma once

#include "tests/support/ScopedVariable.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Points XDG_CONFIG_HOME (and XDG_CONFIG_DIRS) at fresh temporary folders for the life of the
// object, so that a test never reaches the user's real settings.
class ConfigHome {
public:
    ConfigHome();
    ConfigHome(const ConfigHome&) = delete;
    ConfigHome& operator=(const ConfigHome&) = delete;

    // The temporary folder that stands for ~/.config.
    QString Path() const { return FHome.path(); }
    // The user's hive file in it.
    QString UserHive() const { return FHome.path() + "/quorvane/user.reg"; }
    // The folder listed in XDG_CONFIG_DIRS, for a machine hive at quorvane/machine.reg.
    QString MachineDir() const { return FMachine.path(); }

    QByteArray ReadUserHive() const;
    // Writes the user's hive file as given, making its folder.
    void WriteUserHive(const QByteArray& bytes) const;
    void WriteMachineHive(const QByteArray& bytes) const;

private:
    QTemporaryDir FHome;
    QTemporaryDir FMachine;
    quorvane::testing::ScopedVariable FHomeVariable { "XDG_CONFIG_HOME",
        FHome.path().toLocal8Bit() };
    quorvane::testing::ScopedVariable FDirsVariable { "XDG_CONFIG_DIRS",
        FMachine.path().toLocal8Bit() };
};
