// Lays out a known malloc heap and reports it, then waits until its standard input closes.
//   pattern MAIN THREAD   MAIN blocks of varied sizes in the main thread, THREAD in a second
//                         thread that stays alive; every third block freed (some of the second
//                         thread's by the main thread, so they sit in its tcache).
//   damage COUNT VALUE    COUNT blocks, then the size word of the middle one set to VALUE.
//   random SEED           blocks, then everything from the heap's start to its top chunk
//                         overwritten with bytes from SEED; for an even SEED only the chunks'
//                         contents, their headers kept.
//   big COUNT             COUNT small blocks, every third freed.
//   heaps COUNT           as pattern, but the second thread also takes COUNT blocks of 100,000
//                         bytes, more than one 64 MiB heap holds: its arena grows a second heap.
//   fork COUNT            COUNT blocks, then a forked child that allocates COUNT more (its break
//                         area then shows as two [heap] regions) and frees every third of all;
//                         the child reports, with a line "pid PID".
// Report lines: "live ADDRESS SIZE", "freed ADDRESS SIZE", "damaged CHUNK",
// "mallinfo ARENA ORDBLKS SMBLKS FORDBLKS UORDBLKS", then "end". The report is built in static
// memory and written with write(2) so that reporting changes nothing on the heap.
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <mutex>
#include <string_view>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
char report[64 << 20];
size_t used = 0;

void Add(const char* format, unsigned long long a, unsigned long long b = 0)
{
    used += size_t(std::snprintf(report + used, sizeof report - used, format, a, b));
}

uint64_t state = 88172645463325252ull;
uint64_t Random()
{
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

size_t VariedSize()
{
    const uint64_t r = Random() % 100;
    if (r < 60)
        return 1 + Random() % 120; // fastbin and small tcache sizes
    if (r < 90)
        return 120 + Random() % 900;
    return 1024 + Random() % 20000;
}

struct Block {
    void* address;
    size_t size;
};

std::vector<Block> Allocate(size_t count, size_t (*size)())
{
    std::vector<Block> blocks;
    blocks.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t bytes = size();
        blocks.push_back({ std::malloc(bytes), bytes });
        std::memset(blocks.back().address, int(i), bytes);
    }
    return blocks;
}

void ReportMallinfo()
{
    const struct mallinfo2 info = mallinfo2();
    Add("mallinfo %llu %llu", info.arena, info.ordblks);
    Add(" %llu %llu", info.smblks, info.fordblks);
    Add(" %llu\n", info.uordblks);
}

void ReportBlocks(const std::vector<Block>& blocks, const std::vector<bool>& freed)
{
    for (size_t i = 0; i < blocks.size(); ++i)
        Add(freed[i] ? "freed %llu %llu\n" : "live %llu %llu\n",
            reinterpret_cast<uintptr_t>(blocks[i].address), blocks[i].size);
}

void Finish()
{
    Add("end\n", 0);
    for (size_t done = 0; done < used;) {
        const ssize_t wrote = write(1, report + done, used - done);
        if (wrote <= 0)
            _exit(2);
        done += size_t(wrote);
    }
    char buffer[64];
    while (read(0, buffer, sizeof buffer) > 0) { }
    _exit(0);
}

size_t bigBlocks = 0;

size_t VariedOrBigSize()
{
    static size_t handed = 0;
    return handed++ % 4 == 0 && handed / 4 < bigBlocks ? 100000 : VariedSize();
}

void Pattern(size_t mainCount, size_t threadCount)
{
    std::vector<Block> threadBlocks;
    std::mutex lock;
    std::condition_variable changed;
    bool allocated = false;
    bool release = false;
    std::thread second([&] {
        std::vector<Block> blocks = Allocate(threadCount, VariedOrBigSize);
        for (size_t i = 0; i < blocks.size(); i += 6)
            std::free(blocks[i].address);
        std::unique_lock guard(lock);
        threadBlocks = std::move(blocks);
        allocated = true;
        changed.notify_all();
        changed.wait(guard, [&] { return release; });
    });
    std::vector<Block> mainBlocks = Allocate(mainCount, VariedSize);
    std::vector<bool> mainFreed(mainBlocks.size());
    std::vector<bool> threadFreed(threadCount); // before any free: it must not reuse a block
    for (size_t i = 0; i < mainBlocks.size(); i += 3) {
        std::free(mainBlocks[i].address);
        mainFreed[i] = true;
    }
    {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return allocated; });
    }
    for (size_t i = 0; i < threadBlocks.size(); i += 3) {
        if (i % 6 == 3)
            std::free(threadBlocks[i].address); // into this thread's tcache
        threadFreed[i] = true;
    }
    ReportBlocks(mainBlocks, mainFreed);
    ReportBlocks(threadBlocks, threadFreed);
    ReportMallinfo();
    second.detach(); // stays blocked: its tcache and arena stay as they are
    Finish();
}

void Damage(size_t count, uint64_t value)
{
    std::vector<Block> blocks = Allocate(count, [] { return size_t(40); });
    std::vector<bool> freed(blocks.size());
    uint64_t* header = static_cast<uint64_t*>(blocks[count / 2].address) - 1;
    *header = value;
    ReportBlocks(blocks, freed);
    Add("damaged %llu\n", reinterpret_cast<uintptr_t>(header - 1));
    Finish();
}

void RandomHeap(uint64_t seed)
{
    std::vector<Block> blocks = Allocate(200, VariedSize);
    for (size_t i = 0; i < blocks.size(); i += 3)
        std::free(blocks[i].address);
    // From the heap's first size word to the top chunk's header, all random. The top chunk
    // ends at the break; keepcost is its size.
    FILE* maps = std::fopen("/proc/self/maps", "r");
    char line[512];
    uintptr_t heapStart = 0;
    while (std::fgets(line, sizeof line, maps)) {
        if (std::strstr(line, "[heap]"))
            heapStart = std::strtoull(line, nullptr, 16);
    }
    std::fclose(maps);
    char* topChunk = static_cast<char*>(sbrk(0)) - mallinfo2().keepcost;
    state = seed * 2654435761u + 1;
    if (seed % 2 == 1) {
        for (char* at = reinterpret_cast<char*>(heapStart) + 8; at < topChunk; ++at)
            *at = char(Random());
    } else {
        // Only what the chunks hold: their headers stay, their contents (the tcache, the free
        // lists' links) turn to noise.
        for (char* chunk = reinterpret_cast<char*>(heapStart); chunk < topChunk;) {
            const uint64_t size = reinterpret_cast<uint64_t*>(chunk)[1] & ~7ull;
            for (char* at = chunk + 16; at < chunk + size; ++at)
                *at = char(Random());
            chunk += size;
        }
    }
    Add("heap %llu %llu\n", heapStart, reinterpret_cast<uintptr_t>(topChunk));
    Finish();
}

void Forked(size_t count)
{
    std::vector<Block> blocks = Allocate(count, VariedSize);
    blocks.reserve(2 * count);
    if (fork() != 0) {
        char buffer[64];
        while (read(0, buffer, sizeof buffer) > 0) { }
        _exit(0);
    }
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (const Block& block : Allocate(count, VariedSize))
        blocks.push_back(block);
    std::vector<bool> freed(blocks.size());
    for (size_t i = 0; i < blocks.size(); i += 3) {
        std::free(blocks[i].address);
        freed[i] = true;
    }
    Add("pid %llu\n", unsigned(getpid()));
    ReportBlocks(blocks, freed);
    Finish();
}

void Big(size_t count)
{
    std::vector<Block> blocks = Allocate(count, [] { return size_t(8 + Random() % 40); });
    for (size_t i = 0; i < blocks.size(); i += 3)
        std::free(blocks[i].address);
    ReportMallinfo();
    Finish();
}
}

int main(int argc, char** argv)
{
    const std::string_view mode = argc > 1 ? argv[1] : "pattern";
    auto number = [&](int index, unsigned long long fallback) {
        return argc > index ? std::strtoull(argv[index], nullptr, 0) : fallback;
    };
    if (mode == "damage")
        Damage(number(2, 1000), number(3, 0));
    if (mode == "random")
        RandomHeap(number(2, 1));
    if (mode == "heaps") {
        bigBlocks = number(2, 800);
        Pattern(1000, bigBlocks * 4);
    }
    if (mode == "fork")
        Forked(number(2, 3000));
    if (mode == "big")
        Big(number(2, 1000000));
    Pattern(number(2, 5000), number(3, 600));
}
