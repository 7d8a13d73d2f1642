#pragma once
// The process churn of bench/fixture.py for programs that run under it: started in a state
// folder of its own, stopped when the object goes. Also what those programs measure of
// themselves.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace quorvane::bench {

class ChurnFixture {
public:
    explicit ChurnFixture(int rate)
    {
        qputenv("QUORVANE_FIXTURE_DIR", FState.path().toLocal8Bit());
        if (std::system((Script() + " churn " + std::to_string(rate)).c_str()) != 0)
            throw std::runtime_error("the churn fixture did not start");
        QFile state(FState.filePath("state.json"));
        if (!state.open(QIODevice::ReadOnly))
            throw std::runtime_error("the churn fixture left no state");
        FKeeper = QJsonDocument::fromJson(state.readAll()).object().value("keeper").toInt();
    }
    ~ChurnFixture() { Stop(); }
    ChurnFixture(const ChurnFixture&) = delete;
    ChurnFixture& operator=(const ChurnFixture&) = delete;

    // The parent of every process the fixture starts.
    pid_t Keeper() const { return FKeeper; }

    void Stop()
    {
        if (FKeeper == 0)
            return;
        qputenv("QUORVANE_FIXTURE_DIR", FState.path().toLocal8Bit());
        [[maybe_unused]] const int status = std::system((Script() + " stop >/dev/null").c_str());
        FKeeper = 0;
    }

private:
    static std::string Script() { return "python3 " QUORVANE_SOURCE_DIR "/bench/fixture.py"; }

    QTemporaryDir FState;
    pid_t FKeeper = 0;
};

// Descriptors this process holds, not counting the one that lists them.
inline int OpenDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size())
        - 1;
}

// Threads of this process and its resident memory in KiB.
inline int OwnThreads()
{
    return int(QDir(QStringLiteral("/proc/self/task"))
                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}

inline long ResidentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

} // namespace quorvane::bench
