#include "tests/support/ConfigHome.h"

#include "platform/hive/HiveFile.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

} // namespace

ConfigHome::ConfigHome()
    : FOldHome(qgetenv("XDG_CONFIG_HOME"))
    , FOldDirs(qgetenv("XDG_CONFIG_DIRS"))
    , FHadHome(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
    , FHadDirs(qEnvironmentVariableIsSet("XDG_CONFIG_DIRS"))
{
    if (!FHome.isValid() || !FMachine.isValid())
        throw std::runtime_error("no temporary folder");
    qputenv("XDG_CONFIG_HOME", FHome.path().toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", FMachine.path().toLocal8Bit());
    // The program names its folder at start; a test stands in for it.
    quorvane::HiveFile::SetProgramFolder("quorvane");
}

ConfigHome::~ConfigHome()
{
    if (FHadHome)
        qputenv("XDG_CONFIG_HOME", FOldHome);
    else
        qunsetenv("XDG_CONFIG_HOME");
    if (FHadDirs)
        qputenv("XDG_CONFIG_DIRS", FOldDirs);
    else
        qunsetenv("XDG_CONFIG_DIRS");
}

QByteArray ConfigHome::ReadUserHive() const
{
    QFile file(UserHive());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void ConfigHome::WriteUserHive(const QByteArray& bytes) const
{
    WriteFile(UserHive(), bytes);
}

void ConfigHome::WriteMachineHive(const QByteArray& bytes) const
{
    WriteFile(MachineDir() + "/quorvane/machine.reg", bytes);
}
