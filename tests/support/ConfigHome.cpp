#include "tests/support/ConfigHome.h"

#include "platform/hive/HiveFile.h"
#include "tests/support/WriteFile.h"

#include <QFile>
#include <stdexcept>

ConfigHome::ConfigHome()
{
    if (!FHome.isValid() || !FMachine.isValid())
        throw std::runtime_error("no temporary folder");
    // The program names its folder at start; a test stands in for it.
    quorvane::HiveFile::SetProgramFolder("quorvane");
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
    quorvane::testing::WriteFile(UserHive(), bytes);
}

void ConfigHome::WriteMachineHive(const QByteArray& bytes) const
{
    quorvane::testing::WriteFile(MachineDir() + "/quorvane/machine.reg", bytes);
}
