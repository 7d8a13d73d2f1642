// The /proc text parsers on one line as the kernel writes it: the whole stat record, the mapping
// key the global usage index reads for every process on each pass, and a maps file of 300 files.
#include "platform/proc/ProcMaps.h"
#include "platform/proc/ProcStat.h"
#include "platform/snapshot/MappingKey.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>

using namespace quorvane;

namespace {

// A sleeping bash, as /proc/PID/stat has it.
const std::string kStatLine
    = "4242 (bash) S 1 4242 4242 34816 4242 4194560 1136 0 0 0 1 0 0 0 20 0 1 0 98765 8699904 1280 "
      "18446744073709551615 94000000000000 94000000900000 140730000000000 0 0 0 65536 3686404 "
      "1266761467 1 0 0 17 1 0 0 0 0 0 94000001000000 94000001040000 94000002000000 "
      "140730000010000 140730000010100 140730000010100 140730000020000 0\n";

std::string MapsText()
{
    std::string text;
    char line[160];
    for (int file = 0; file < 300; ++file) {
        for (int part = 0; part < 4; ++part) {
            const unsigned long long start = 0x7f0000000000ull + (file * 4ull + part) * 0x1000;
            std::snprintf(line, sizeof line,
                "%llx-%llx r-xp %08x fd:01 %d                          /usr/lib/x86_64-linux-gnu/"
                "lib%d.so.1\n",
                start, start + 0x1000, part * 0x1000, 100000 + file, file);
            text += line;
        }
    }
    return text;
}

void BM_ParseProcStat(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseProcStat(kStatLine));
}
BENCHMARK(BM_ParseProcStat);

void BM_ParseMappingKey(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseMappingKey(kStatLine));
}
BENCHMARK(BM_ParseMappingKey);

void BM_ParseMaps(benchmark::State& state)
{
    const std::string text = MapsText();
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseMaps(text));
}
BENCHMARK(BM_ParseMaps)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
