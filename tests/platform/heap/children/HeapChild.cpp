// Lays out a known malloc heap and reports it, then waits until its standard input closes.
//   pattern MAIN THREAD   MAIN blocks of varied sizes in the main thread, THREAD in a second
//                         thread that stays alive; every third block freed (some of the second
//                         thread's by the main thread, so they sit in its tcache).
//   damage COUNT VALUE    COUNT blocks, then the size word of the middle one set to VALUE.
//   heaps COUNT           as pattern, but the second thread also takes COUNT blocks of 100,000
//                         bytes, more than one 64 MiB heap holds: its arena grows a second heap.
//   fork COUNT            COUNT blocks, then a forked child that lays out COUNT more as pattern
//                         does without a second thread's (its break area then shows as two
//                         [heap] regions); the child reports, with a line "pid PID".
//   stuck MAIN THREAD     as pattern, but once reported the main thread waits on a vforked child
//                         in uninterruptible sleep, where no ptrace stop reaches it.
// Report lines: "live ADDRESS SIZE", "freed ADDRESS SIZE", then "end". The
// report is built in static memory and written with write(2) so that reporting changes nothing
// on the heap.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
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

// Mostly fastbin and small tcache sizes, then larger ones up to 21 KiB.
size_t VariedSize()
{
    thread_local size_t handed = 0;
    const size_t n = handed++ * 2654435761u % 1000003;
    return n % 10 < 6 ? 1 + n % 120 : n % 10 < 9 ? 120 + n % 900 : 1024 + n % 20000;
}

size_t bigBlocks = 0;
bool stuck = false;

size_t VariedOrBigSize()
{
    static size_t handed = 0;
    return handed++ % 4 == 0 && handed / 4 < bigBlocks ? 100000 : VariedSize();
}

struct Block {
    void* address;
    size_t size;
    bool freed;
};

// With room for more blocks, so that keeping them allocates nothing after the first free.
std::vector<Block> Allocate(size_t count, size_t (*size)(), size_t room = 0)
{
    std::vector<Block> blocks;
    blocks.reserve(count + room);
    for (size_t i = 0; i < count; ++i) {
        const size_t bytes = size();
        blocks.push_back({ std::malloc(bytes), bytes, false });
        std::memset(blocks.back().address, int(i), bytes);
    }
    return blocks;
}

void FreeEvery(std::vector<Block>& blocks, size_t from, size_t step)
{
    for (size_t i = from; i < blocks.size(); i += step) {
        std::free(blocks[i].address);
        blocks[i].freed = true;
    }
}

[[noreturn]] void Finish(const std::vector<Block>& blocks)
{
    for (const Block& block : blocks)
        Add(block.freed ? "freed %llu %llu\n" : "live %llu %llu\n",
            reinterpret_cast<uintptr_t>(block.address), block.size);
    Add("end\n", 0);
    for (size_t done = 0; done < used;) {
        const ssize_t wrote = write(1, report + done, used - done);
        if (wrote <= 0)
            _exit(2);
        done += size_t(wrote);
    }
    // The vforked child shares our memory and stack: it only reads and ends.
    if (stuck && vfork() != 0)
        _exit(0);
    char buffer[64];
    while (read(0, buffer, sizeof buffer) > 0) { }
    _exit(0);
}

void Pattern(size_t mainCount, size_t threadCount)
{
    // The thread starts before anything is freed: from glibc 2.41 on, calloc takes from the
    // tcache, and a new thread's DTV (a calloc of 272 bytes) would take one of our freed blocks.
    std::promise<std::vector<Block>> allocated;
    std::future<std::vector<Block>> handed = allocated.get_future();
    // It stays blocked, so its tcache and arena stay as they are.
    std::thread([&] {
        std::vector<Block> blocks = Allocate(threadCount, VariedOrBigSize);
        FreeEvery(blocks, 0, 6);
        allocated.set_value(std::move(blocks));
        for (;;)
            pause();
    }).detach();
    std::vector<Block> blocks = Allocate(mainCount, VariedSize, threadCount);
    FreeEvery(blocks, 0, 3);
    std::vector<Block> theirs = handed.get();
    FreeEvery(theirs, 3, 6); // into this thread's tcache
    blocks.insert(blocks.end(), theirs.begin(), theirs.end());
    Finish(blocks);
}
}

int main(int argc, char** argv)
{
    const std::string_view mode = argc > 1 ? argv[1] : "pattern";
    auto number = [&](int index, unsigned long long fallback) {
        return argc > index ? std::strtoull(argv[index], nullptr, 0) : fallback;
    };
    if (mode == "damage") {
        std::vector<Block> blocks = Allocate(number(2, 1000), [] { return size_t(40); });
        uint64_t* header = static_cast<uint64_t*>(blocks[blocks.size() / 2].address) - 1;
        *header = number(3, 0);
        Finish(blocks);
    }
    stuck = mode == "stuck";
    if (mode == "heaps") {
        bigBlocks = number(2, 800);
        Pattern(1000, bigBlocks * 4);
    }
    if (mode == "fork") {
        Allocate(number(2, 3000), VariedSize);
        if (fork() != 0) {
            char buffer[64];
            while (read(0, buffer, sizeof buffer) > 0) { }
            _exit(0);
        }
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        Add("pid %llu\n", unsigned(getpid()));
        Pattern(number(2, 3000), 0);
    }
    Pattern(number(2, 5000), number(3, 600));
}
