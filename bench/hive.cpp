// The settings store on a hive of 1,000 values: a whole read (open the store object, open the
// section, query, close) and a whole write, each as the program does them. And the long run of
// writers killed mid-write that the test suite does only a few rounds of.
#include "app/AppIdentity.h"
#include "app/ProgramKey.h"
#include "platform/hive/HiveFile.h"
#include "platform/hive/HiveKey.h"
#include "platform/hive/HiveParser.h"
#include "platform/hive/HiveText.h"
#include "settings/TRegIniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <csignal>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvane;

namespace {

// A private config folder holding a hive of 1,000 values in 10 sections.
class BenchHome {
public:
    BenchHome()
    {
        qputenv("XDG_CONFIG_HOME", FFolder.path().toLocal8Bit());
        HiveFile::SetProgramFolder(AppConfigFolder);
        const TRegIniFile store(ProgramKey());
        for (int section = 0; section < 10; ++section) {
            for (int value = 0; value < 100; ++value) {
                store.WriteText(QString("Section%1").arg(section), QString("Value%1").arg(value),
                    QString("text of value %1 in section %2").arg(value).arg(section));
            }
        }
        store.WriteNumber("Splitter", "X", 562);
    }
    std::string Path() const
    {
        return FFolder.path().toStdString() + "/" + AppConfigFolder + "/user.reg";
    }
    QByteArray Hive() const
    {
        QFile file(QString::fromStdString(Path()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir FFolder;
};

BenchHome& Home()
{
    static BenchHome home;
    return home;
}

void BM_StoreRead(benchmark::State& state)
{
    Home();
    for (auto _ : state) {
        const TRegIniFile store(ProgramKey());
        benchmark::DoNotOptimize(store.ReadNumber("Splitter", "X", 0));
    }
}
BENCHMARK(BM_StoreRead);

void BM_StoreWrite(benchmark::State& state)
{
    Home();
    int value = 0;
    for (auto _ : state) {
        const TRegIniFile store(ProgramKey());
        store.WriteNumber("Splitter", "X", ++value);
    }
}
BENCHMARK(BM_StoreWrite)->Unit(benchmark::kMillisecond);

void BM_ParseHive(benchmark::State& state)
{
    const QByteArray hive = Home().Hive();
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseHive(std::string_view(hive.constData(), hive.size())));
    state.SetBytesProcessed(state.iterations() * hive.size());
}
BENCHMARK(BM_ParseHive);

void BM_SerializeHive(benchmark::State& state)
{
    const QByteArray hive = Home().Hive();
    const HiveDocument document = ParseHive(std::string_view(hive.constData(), hive.size()));
    for (auto _ : state)
        benchmark::DoNotOptimize(SerializeHive(document));
}
BENCHMARK(BM_SerializeHive);

// A forked writer counts a value up until killed, at a moment spread over 5 ms after its first
// finished write; each round the file must read whole, every other value as it was.
void BM_KilledWriter(benchmark::State& state)
{
    const HiveFile file(Home().Path(), HiveRoot::hrCurrentUser, true);
    HiveKey::OpenRoot(file).CreateSubKey("Software\\KilledWriter");
    const auto counterValue = [](long counter) {
        return HiveValue { "counter", REG_SZ, Utf8ToStringData(std::to_string(counter)) };
    };
    const auto reset = [&](HiveDocument& document) {
        document.CreateKey("HKEY_CURRENT_USER", { "Software", "KilledWriter" })
            .SetValue(counterValue(0));
        return SerializeHive(document);
    };
    HiveDocument seed = ParseHive(Home().Hive().toStdString());
    const std::string expected = reset(seed);
    long round = 0;
    for (auto _ : state) {
        int ready[2];
        if (::pipe(ready) != 0)
            return state.SkipWithError("no pipe");
        const pid_t writer = ::fork();
        if (writer < 0) {
            ::close(ready[0]);
            ::close(ready[1]);
            return state.SkipWithError("no fork");
        }
        if (writer == 0) {
            const auto key = HiveKey::OpenRoot(file).OpenSubKey("Software\\KilledWriter");
            for (long counter = 1;; ++counter) {
                const HiveValue value = counterValue(counter);
                if (!key || key->SetValue(value.Name, value.Type, value.Data) != HiveResult::hsOk
                    || (counter == 1 && ::write(ready[1], "w", 1) != 1))
                    ::_exit(1);
            }
        }
        ::close(ready[1]);
        char reported = 0;
        const bool started = ::read(ready[0], &reported, 1) == 1;
        ::close(ready[0]);
        const timespec wait { 0, (round++ % 25) * 200'000L };
        ::nanosleep(&wait, nullptr);
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);
        HiveDocument document = ParseHive(Home().Hive().toStdString());
        if (!started || document.Damaged() || reset(document) != expected)
            return state.SkipWithError("a killed writer left a damaged or changed hive");
    }
}
BENCHMARK(BM_KilledWriter)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
