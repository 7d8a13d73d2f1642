// The settings store on a hive of 1,000 values: a whole read (open the store object, open the
// section, query, close) and a whole write, each as the program does them.
#include "HiveParser.h"
#include "ProgramKey.h"
#include "TRegIniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace quorvane;

namespace {

// A private config folder holding a hive of 1,000 values in 10 sections.
class BenchHome {
public:
    BenchHome()
    {
        qputenv("XDG_CONFIG_HOME", FFolder.path().toLocal8Bit());
        const TRegIniFile store(ProgramKey());
        for (int section = 0; section < 10; ++section) {
            for (int value = 0; value < 100; ++value) {
                store.WriteText(QString("Section%1").arg(section), QString("Value%1").arg(value),
                    QString("text of value %1 in section %2").arg(value).arg(section));
            }
        }
        store.WriteNumber("Splitter", "X", 562);
    }
    QByteArray Hive() const
    {
        QFile file(FFolder.path() + "/quorvane/user.reg");
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

} // namespace

BENCHMARK_MAIN();
