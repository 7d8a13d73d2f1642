#include "platform/heap/ChunkStream.h"
#include "platform/heap/GlibcHeapWalk.h"
#include "platform/heap/GlibcVersion.h"
#include "platform/heap/HeapWalkError.h"
#include "platform/heap/MallocArenas.h"
#include "platform/heap/RemoteMemory.h"
#include "platform/proc/ProcMaps.h"
#include "platform/snapshot/HeapListBuilder.h"
#include "platform/snapshot/LinuxSnapshotService.h"
#include "tests/support/AnotherUser.h"
#include "tests/support/ChildProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <sys/mman.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <utility>

using namespace quorvane;
using quorvane::testing::ChildProcess;

namespace {
// What a heap child says about its heap.
struct HeapReport {
    std::map<uint64_t, uint64_t> live; // user address -> requested size
    std::map<uint64_t, uint64_t> freed;
    uint64_t pid = 0; // of a forked child that reports for itself
};

HeapReport ReadReport(ChildProcess& child)
{
    HeapReport report;
    for (std::string line = child.ReadLine(); line != "end"; line = child.ReadLine()) {
        std::istringstream fields(line);
        std::string kind;
        uint64_t a = 0, b = 0;
        fields >> kind >> a >> b;
        if (kind == "pid")
            report.pid = a;
        else
            (kind == "live" ? report.live : report.freed)[a] = b;
    }
    return report;
}

std::vector<HEAPLIST32> HeapsOf(uint32_t pid)
{
    std::vector<HEAPLIST32> heaps;
    ReadHeapList(pid, heaps);
    return heaps;
}

std::string MapsOf(pid_t pid)
{
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    return { std::istreambuf_iterator<char>(maps), {} };
}

std::string ProcStatus(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":\t", 0) == 0)
            return line.substr(field.size() + 2);
    }
    return {};
}

// Its state once no longer running: a stopped process let go may pass through a running state on
// its way back into its stop.
std::string SettledState(pid_t pid)
{
    std::string state = ProcStatus(pid, "State");
    for (int tries = 0; tries < 200 && state[0] == 'R'; ++tries) {
        ::usleep(10000);
        state = ProcStatus(pid, "State");
    }
    return state;
}

// Walks every heap of pid and checks it against what the child reported: each heap's blocks tile
// it, every live block is "Fixed" with room for its size, every freed one lies in a free block.
void CheckEveryBlock(pid_t pid, const HeapReport& report, size_t heapCount, bool held)
{
    const std::vector<HEAPLIST32> heaps = HeapsOf(uint32_t(pid));
    ASSERT_EQ(heaps.size(), heapCount);
    EXPECT_EQ(heaps[0].dwFlags, HF32_DEFAULT);
    for (size_t i = 1; i < heaps.size(); ++i)
        EXPECT_EQ(heaps[i].dwFlags, 0u);

    // Every block of every heap by chunk address. The walks share the service's working memory:
    // each runs on what the one before left.
    LinuxSnapshotService service;
    const std::unique_ptr<HeapWalk> walk = service.CreateHeapWalk();
    std::map<uint64_t, HEAPENTRY32> blocks;
    for (const HEAPLIST32& heap : heaps) {
        HEAPENTRY32 block, previous {};
        for (bool more = walk->Heap32First(block, uint32_t(pid), heap.th32HeapID); more;
             more = walk->Heap32Next(block)) {
            if (previous.dwBlockSize == 0) {
                EXPECT_EQ(dynamic_cast<GlibcHeapWalk&>(*walk).WasHeld(), held);
                EXPECT_EQ(ProcStatus(pid, "TracerPid"), "0"); // and no signal sent
            } else {
                EXPECT_EQ(previous.hHandle + previous.dwBlockSize, block.hHandle);
            }
            blocks[block.hHandle] = previous = block;
        }
        EXPECT_NE(previous.dwBlockSize, 0u) << "no block in heap " << std::hex << heap.th32HeapID;
    }
    // The first few blocks seen wrong, and how many.
    std::ostringstream wrong;
    size_t wrongCount = 0;
    const auto note = [&](const char* what, uint64_t address, const HEAPENTRY32& block) {
        if (++wrongCount <= 5)
            wrong << what << " " << std::hex << address << std::dec << " in a chunk of "
                  << block.dwBlockSize << " bytes, flags " << block.dwFlags << "\n";
    };
    for (const auto& [address, size] : report.live) {
        const auto block = blocks.find(address - 16);
        ASSERT_NE(block, blocks.end()) << std::hex << address;
        if (block->second.dwFlags != LF32_FIXED || block->second.dwBlockSize - 8 < size)
            note("live", address, block->second);
    }
    for (const auto& [address, size] : report.freed) {
        const auto after = blocks.upper_bound(address - 16);
        ASSERT_NE(after, blocks.begin()) << std::hex << address;
        const HEAPENTRY32& block = std::prev(after)->second;
        if (block.dwFlags != LF32_FREE || address >= block.hHandle + block.dwBlockSize)
            note("freed", address, block);
    }
    EXPECT_EQ(wrongCount, 0u) << "of " << report.live.size() << " live and " << report.freed.size()
                              << " freed blocks:\n"
                              << wrong.str();
}
}

// Each heap's blocks tile it. The process is held while read and let go before the first block is
// handed out; one with a thread that may not stop (in uninterruptible sleep) is read live instead.
struct HeapCase {
    const char* What;
    std::vector<std::string> Arguments;
    bool WithoutTcache; // then freed small blocks go to the fastbins
    size_t Heaps;
    int Signal; // sent first: SIGSTOP, or 0
    bool Held;
};

class HeapWalks : public ::testing::TestWithParam<HeapCase> { };

TEST_P(HeapWalks, findEveryBlockAndLeaveTheProcessAsItWas)
{
    const HeapCase& c = GetParam();
    ChildProcess child(HEAP_CHILD, c.Arguments,
        c.WithoutTcache ? std::vector<std::string> { "GLIBC_TUNABLES=glibc.malloc.tcache_count=0" }
                        : std::vector<std::string> {});
    const HeapReport report = ReadReport(child);
    // A forked child of the helper reports its own identifier.
    const pid_t pid = report.pid ? pid_t(report.pid) : child.Pid();
    if (c.Signal) {
        ASSERT_EQ(::kill(pid, c.Signal), 0);
        siginfo_t info {};
        ASSERT_EQ(::waitid(P_PID, id_t(pid), &info, WSTOPPED | WNOWAIT), 0);
    }
    const std::string before = SettledState(pid);
    // The break area of a forked child shows as two regions.
    CheckEveryBlock(pid, report, c.Heaps, c.Held);
    EXPECT_EQ(SettledState(pid), before);
    ::kill(pid, SIGCONT);
    EXPECT_EQ(child.Finish(), 0); // it still answers: it ends when its input closes
}

INSTANTIATE_TEST_SUITE_P(Children, HeapWalks,
    ::testing::Values(
        HeapCase { "threadsAndTheirArenas", { "pattern", "5000", "600" }, false, 2, 0, true },
        HeapCase { "fastbinsWithoutTcache", { "pattern", "4000", "400" }, true, 2, 0, true },
        // The second thread's arena grows a second heap and leaves the first: three in all.
        HeapCase { "anArenaOfSeveralHeaps", { "heaps", "800" }, true, 3, 0, true },
        // Its break area shows as two regions; still one heap.
        HeapCase { "aForkedChild", { "fork", "3000" }, false, 1, 0, true },
        HeapCase { "stopped", { "pattern", "300", "30" }, false, 2, SIGSTOP, true },
        HeapCase { "inUninterruptibleSleep", { "stuck", "300", "30" }, false, 2, 0, false }),
    [](const ::testing::TestParamInfo<HeapCase>& info) { return info.param.What; });

// A process that grows its heap between the reading of its map and of its arena (this program
// looking at itself does) still has its main heap, reaching to where the break is now.
TEST(HeapWalk, aBreakAreaThatGrewSinceItsMapWasReadIsStillTheMainHeap)
{
    ChildProcess child(HEAP_CHILD, { "grow" });
    ASSERT_EQ(child.ReadLine(), "ready");
    const std::string staleMaps = MapsOf(child.Pid());
    child.Send("grow");
    ASSERT_EQ(child.ReadLine(), "grown");

    const RemoteMemory memory(child.Pid());
    const MallocArenas stale = MallocArenas::Find(memory, ParseMaps(staleMaps));
    const MallocArenas fresh = MallocArenas::Find(memory, ParseMaps(MapsOf(child.Pid())));
    ASSERT_FALSE(fresh.Heaps().empty());
    ASSERT_TRUE(fresh.Heaps().front().main);
    ASSERT_FALSE(stale.Heaps().empty());
    EXPECT_TRUE(stale.Heaps().front().main);
    EXPECT_EQ(stale.Heaps().front().end, fresh.Heaps().front().end);
    child.CloseInput();
    EXPECT_EQ(child.Finish(), 0);
}

// Taken in batches, as the heap block dialog takes them, a walk hands out the same blocks as one
// a call (batches of 1 are that); a damaged chunk size ends the walk after the blocks before it.
std::vector<HEAPENTRY32> BlocksInBatches(
    uint32_t pid, uint64_t heapId, size_t batchSize, bool& failed)
{
    std::vector<HEAPENTRY32> blocks;
    GlibcHeapWalk walk;
    std::vector<HEAPENTRY32> batch(batchSize);
    failed = false;
    try {
        if (!walk.Heap32First(batch[0], pid, heapId))
            return blocks;
        blocks.push_back(batch[0]);
        while (true) {
            const size_t count
                = batchSize == 1 ? size_t(walk.Heap32Next(batch[0])) : walk.Heap32NextBlocks(batch);
            if (count == 0)
                break;
            blocks.insert(blocks.end(), batch.begin(), batch.begin() + ptrdiff_t(count));
        }
    } catch (const HeapWalkError&) {
        failed = true;
    }
    return blocks;
}

TEST(HeapWalk, batchesHandOutWhatSingleCallsDo)
{
    for (const std::vector<std::string>& arguments :
        { std::vector<std::string> { "pattern", "3000", "300" },
            std::vector<std::string> { "damage", "1000", "0x38" } }) {
        ChildProcess child(HEAP_CHILD, arguments);
        const HeapReport report = ReadReport(child);
        const uint32_t pid = uint32_t(child.Pid());
        const uint64_t heapId = HeapsOf(pid).at(0).th32HeapID;
        bool singleFailed = false;
        const std::vector<HEAPENTRY32> single = BlocksInBatches(pid, heapId, 1, singleFailed);
        const bool damaged = arguments[0] == "damage";
        EXPECT_EQ(singleFailed, damaged);
        const size_t live = size_t(std::count_if(single.begin(), single.end(),
            [&](const HEAPENTRY32& block) { return report.live.count(block.dwAddress) != 0; }));
        EXPECT_EQ(live, damaged ? 500u : 2000u); // pattern frees every third of its 3000
        for (const size_t batchSize : { 2, 7, 256, 100000 }) {
            bool failed = false;
            const std::vector<HEAPENTRY32> batched
                = BlocksInBatches(pid, heapId, batchSize, failed);
            EXPECT_EQ(failed, singleFailed) << arguments[0] << " " << batchSize;
            ASSERT_EQ(batched.size(), single.size()) << arguments[0] << " " << batchSize;
            const auto fields = [](const HEAPENTRY32& b) {
                return std::tie(b.hHandle, b.dwAddress, b.dwBlockSize, b.dwFlags, b.th32HeapID);
            };
            for (size_t i = 0; i < single.size(); ++i)
                ASSERT_EQ(fields(batched[i]), fields(single[i])) << arguments[0] << " " << i;
        }
    }
}

// A heap its arena has left ends in a 16-byte fencepost and a header of size 0; where the old top
// was too small to free (32 or 48 bytes), only the header of size 0 follows a chunk of 32 bytes.
TEST(HeapWalk, aHeapTheArenaHasLeftEndsAtItsLastHeader)
{
    const RemoteMemory self(::getpid());
    const std::pair<uint64_t, std::vector<uint64_t>> cases[]
        = { { 16, { 48 } }, { 32, { 48, 32 } } };
    for (const auto& [lastChunk, expected] : cases) {
        SCOPED_TRACE(lastChunk);
        // A chunk of 48 bytes, the last chunk, then the header of size 0 (all with PREV_INUSE).
        std::vector<uint64_t> words(6 + lastChunk / 8 + 2, 0);
        words[1] = 48 | 1;
        words[6 + 1] = lastChunk | 1;
        words.back() = 0 | 1;
        const uint64_t start = reinterpret_cast<uint64_t>(words.data());
        ChunkStream stream(self, start, start + words.size() * 8, 0);
        std::vector<uint64_t> sizes;
        while (const auto chunk = stream.Next())
            sizes.push_back(chunk->size);
        EXPECT_EQ(sizes, expected);
    }
}

// A heap many windows long, read ahead while it is taken: every chunk, small ones across each
// window's edge and ones longer than a window, up to a page that cannot be read under a header.
// A page under the body of a chunk is never read.
TEST(HeapWalk, aLargeHeapIsTakenUpToAHeaderThatCannotBeRead)
{
    constexpr uint64_t Bytes = 16 << 20;
    constexpr uint64_t Page = 4096;
    const RemoteMemory self(::getpid());
    const auto unmap = [](void* at) { ::munmap(at, Bytes); };
    for (const size_t holeUnder : { size_t(0), size_t(10000), size_t(3999) }) {
        SCOPED_TRACE(holeUnder);
        const std::unique_ptr<void, decltype(unmap)> mapped(
            ::mmap(nullptr, Bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0),
            unmap);
        ASSERT_NE(mapped.get(), MAP_FAILED);
        auto* const words = static_cast<uint64_t*>(mapped.get());
        std::vector<uint64_t> chunks; // offsets, then the closing header of size 0
        uint64_t at = 0;
        for (uint64_t i = 0; at + (3 << 20) < Bytes; ++i) {
            chunks.push_back(at);
            words[at / 8 + 1] = (i % 4000 == 3999 ? (i / 4000 % 2 ? 2 << 19 : 5 << 19) + 16
                                                  : 32 + i * 7 % 40 * 16)
                | 1;
            at += words[at / 8 + 1] & ~uint64_t(1);
        }
        words[at / 8 + 1] = 0 | 1;
        chunks.push_back(at);
        // A hole under a small chunk's header, or in the middle of a long chunk's body.
        const uint64_t hole = (chunks[holeUnder] + (holeUnder == 3999 ? 1 << 19 : 8)) / Page * Page;
        if (holeUnder) {
            ASSERT_EQ(::mprotect(words + hole / 8, Page, PROT_NONE), 0);
        }
        const auto readable = [&](uint64_t offset, uint64_t length) {
            return !holeUnder || offset + length <= hole || offset >= hole + Page;
        };
        size_t expected = 0;
        while (expected + 1 < chunks.size() && readable(chunks[expected] + 8, 16)
            && readable(chunks[expected + 1] + 8, 8))
            ++expected;
        const uint64_t start = reinterpret_cast<uint64_t>(words);
        const uint64_t end = start + chunks.back() + 16;
        std::vector<uint64_t> seen;
        bool failed = false;
        try {
            ChunkStream stream(self, start, end, 0);
            stream.ForEach([&](const HeapChunk& chunk) { seen.push_back(chunk.address - start); });
        } catch (const HeapWalkError&) {
            failed = true;
        }
        EXPECT_EQ(failed, holeUnder == 10000);
        EXPECT_EQ(seen, std::vector<uint64_t>(chunks.begin(), chunks.begin() + expected));
    }
}

// Reading is refused with EPERM where the process belongs to another user, as it is under Yama's
// ptrace_scope for any process that is not a descendant: nothing is listed and nothing walked.
TEST(HeapWalk, aRefusedReadListsNoneAndWalksNothing)
{
    ChildProcess child(HEAP_CHILD, { "pattern", "100", "10" });
    ReadReport(child);
    const uint32_t parent = uint32_t(::getpid()), pid = uint32_t(child.Pid());
    std::string missing;
    const std::optional<int> seen = quorvane::testing::RunAsAnotherUser(
        [&] {
            uint64_t word = 0;
            iovec local { &word, sizeof word }, remote { &word, sizeof word };
            if (::process_vm_readv(pid_t(parent), &local, 1, &remote, 1, 0) >= 0 || errno != EPERM)
                return 2; // not the refusal this case is about
            HEAPENTRY32 entry;
            const bool walked = GlibcHeapWalk().Heap32First(entry, pid, 0);
            return !HeapsOf(parent).empty() || !HeapsOf(pid).empty() || walked ? 1 : 0;
        },
        &missing);
    if (!seen)
        GTEST_SKIP() << missing;
    EXPECT_EQ(*seen, 0);
}

namespace {
// The path of the C library this test program runs on.
std::string OwnLibc()
{
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        const size_t path = line.find('/');
        if (path != std::string::npos && line.find("/libc.so.6", path) != std::string::npos)
            return line.substr(path);
    }
    return {};
}

bool MapsHold(pid_t pid, const std::string& text)
{
    return MapsOf(pid).find(text) != std::string::npos;
}
}

// The walk knows a layout by the version in the C library's banner. The same library with only
// that version changed to one it does not know gives no heap, rather than a guess.
TEST(HeapWalk, aGlibcOfAnUnknownVersionListsNoHeap)
{
    const std::string libc = OwnLibc();
    ASSERT_FALSE(libc.empty());
    char folder[] = "/tmp/quorvane-libc-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::filesystem::path copy = std::filesystem::path(folder) / "libc.so.6";
    const struct {
        const char* version;
        size_t heaps;
    } cases[] = { { "2.", 2 }, { "7.", 0 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        std::ifstream in(libc, std::ios::binary);
        std::string bytes { std::istreambuf_iterator<char>(in), {} };
        const std::string mark = " release version ";
        const size_t at = bytes.find(mark + "2.");
        ASSERT_NE(at, std::string::npos);
        bytes.replace(at + mark.size(), 2, c.version);
        std::filesystem::remove(copy); // a new file each time, as a new library would be
        std::ofstream(copy, std::ios::binary) << bytes;

        ChildProcess child("/lib64/ld-linux-x86-64.so.2",
            { "--library-path",
                std::string(folder) + ":/lib/x86_64-linux-gnu:/usr/lib/x86_64-linux-gnu",
                HEAP_CHILD, "pattern", "300", "30" });
        ReadReport(child);
        ASSERT_TRUE(MapsHold(child.Pid(), copy.string()));
        const std::vector<HEAPLIST32> heaps = HeapsOf(uint32_t(child.Pid()));
        EXPECT_EQ(heaps.size(), c.heaps);
        EXPECT_EQ(child.Finish(), 0);
    }
    std::filesystem::remove_all(folder);
}

// Processes whose memory glibc's malloc does not manage, or that have none: no heap, at once.
struct WithoutGlibcHeap {
    const char* What;
    std::string Program;
    std::vector<std::string> Arguments;
    std::vector<std::string> Environment;
    const char* MapsShow; // what the process's map must show for the case to mean anything
    bool Shown;
};

class ProcessesWithoutGlibcHeaps : public ::testing::TestWithParam<WithoutGlibcHeap> { };

TEST_P(ProcessesWithoutGlibcHeaps, listNoHeap)
{
    const WithoutGlibcHeap& c = GetParam();
    for (const std::string& variable : c.Environment) {
        const std::string file = variable.substr(variable.find('=') + 1);
        if (::access(file.c_str(), R_OK) != 0)
            GTEST_SKIP() << file << " is missing (Debian package libjemalloc2)";
    }
    ChildProcess child(c.Program, c.Arguments, c.Environment);
    ReadReport(child);
    ASSERT_EQ(MapsHold(child.Pid(), c.MapsShow), c.Shown) << c.MapsShow;
    std::vector<HEAPLIST32> heaps;
    EXPECT_TRUE(ReadHeapList(uint32_t(child.Pid()), heaps)); // it could be read
    EXPECT_TRUE(heaps.empty());
    EXPECT_EQ(child.Finish(), 0);
}

INSTANTIATE_TEST_SUITE_P(Children, ProcessesWithoutGlibcHeaps,
    ::testing::Values(
        WithoutGlibcHeap { "jemallocPreloaded", HEAP_CHILD, { "pattern", "3000", "300" },
            { "LD_PRELOAD=/usr/lib/x86_64-linux-gnu/libjemalloc.so.2" }, "libjemalloc", true },
        // Its malloc is glibc's, linked in, but no C library is mapped to tell its version.
        WithoutGlibcHeap {
            "aStaticProgram", PLAIN_STATIC_CHILD, { "grow", "3000" }, {}, "[heap]", true },
        WithoutGlibcHeap { "neverGrewAHeap", PLAIN_CHILD, {}, {}, "[heap]", false }),
    [](const ::testing::TestParamInfo<WithoutGlibcHeap>& info) { return info.param.What; });

namespace {
// The C library of a Debian release, unpacked by tools/fetch_libcs.sh; missing says why not.
struct Libc {
    std::string suite;
    std::string version; // Debian's, such as 2.41-12+deb13u5
    std::string root;
    std::string missing;
};

// The walk's own list of what it knows: a version outside it must give no heap at all.
bool WalkKnows(const std::string& version)
{
    int major = 0, minor = 0;
    return std::sscanf(version.c_str(), "%d.%d", &major, &minor) == 2 && major == 2 && minor >= 36
        && minor <= 44;
}

std::string LibcCache()
{
    if (const char* set = std::getenv("QUORVANE_LIBC_CACHE"))
        return set;
    if (::access("/var/cache", W_OK) == 0)
        return "/var/cache/quorvane/libc";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "/tmp") + "/.cache/quorvane/libc";
}

// Debian 12, 13, unstable and experimental. The script asks the archive at most once a day.
std::vector<Libc> FetchLibcs()
{
    std::vector<Libc> libcs;
    const std::string command = std::string("'") + FETCH_LIBCS + "' '" + LibcCache()
        + "' bookworm trixie sid experimental 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> out(::popen(command.c_str(), "r"), ::pclose);
    char line[4096];
    while (out && std::fgets(line, sizeof line, out.get())) {
        std::istringstream fields(line);
        Libc libc;
        fields >> libc.suite >> libc.version;
        std::getline(fields >> std::ws, libc.root);
        if (libc.version == "-")
            libc.missing = std::exchange(libc.root, {});
        if (!libc.suite.empty())
            libcs.push_back(libc);
    }
    if (libcs.empty())
        libcs.push_back({ "any", "-", {}, "tools/fetch_libcs.sh gave nothing" });
    return libcs;
}

// How a child is started on a C library through that library's own loader.
std::vector<std::string> OnLibc(const Libc& libc, std::vector<std::string> arguments)
{
    std::string loader = libc.root + "/lib64/ld-linux-x86-64.so.2";
    if (::access(loader.c_str(), X_OK) != 0)
        loader = libc.root + "/usr/lib64/ld-linux-x86-64.so.2";
    const std::string path = libc.root + "/lib/x86_64-linux-gnu:" + libc.root
        + "/usr/lib/x86_64-linux-gnu:/lib/x86_64-linux-gnu:/usr/lib/x86_64-linux-gnu";
    arguments.insert(arguments.begin(), { loader, "--library-path", path, HEAP_CHILD });
    return arguments;
}

struct LibcMode {
    const char* What;
    std::vector<std::string> Arguments;
    const char* Tunables;
    size_t Heaps;
};

void PrintTo(const Libc& libc, std::ostream* out)
{
    *out << libc.suite << " " << libc.version;
}

void PrintTo(const LibcMode& mode, std::ostream* out)
{
    *out << mode.What;
}
}

// The same children on the C library of each Debian release, each reporting its own blocks.
class HeapWalkOnEachLibc : public ::testing::TestWithParam<std::tuple<Libc, LibcMode>> { };

TEST_P(HeapWalkOnEachLibc, listsEveryHeapAndClassifiesEveryBlockOrNoneAtAll)
{
    const auto& [libc, mode] = GetParam();
    if (!libc.missing.empty())
        GTEST_SKIP() << libc.suite << ": " << libc.missing;
    std::vector<std::string> command = OnLibc(libc, mode.Arguments);
    const std::string program = command.front();
    command.erase(command.begin());
    ChildProcess child(program, command, { std::string("GLIBC_TUNABLES=") + mode.Tunables });
    const HeapReport report = ReadReport(child);
    if (WalkKnows(libc.version)) {
        CheckEveryBlock(child.Pid(), report, mode.Heaps, true);
    } else {
        // A layout the walk does not know is not guessed at.
        EXPECT_TRUE(HeapsOf(uint32_t(child.Pid())).empty()) << libc.version;
    }
    EXPECT_EQ(child.Finish(), 0);
}

INSTANTIATE_TEST_SUITE_P(Debian, HeapWalkOnEachLibc,
    ::testing::Combine(::testing::ValuesIn(FetchLibcs()),
        ::testing::Values(LibcMode { "threads", { "pattern", "5000", "600" }, "", 2 },
            LibcMode {
                "withoutTcache", { "pattern", "4000", "400" }, "glibc.malloc.tcache_count=0", 2 },
            LibcMode { "severalHeaps", { "heaps", "800" }, "glibc.malloc.tcache_count=0", 3 },
            // Caches of 100 chunks a bin, up to 64 KiB where the library allows it.
            LibcMode { "largeTcache", { "pattern", "5000", "600" },
                "glibc.malloc.tcache_max=65536:glibc.malloc.tcache_count=100", 2 })),
    [](const ::testing::TestParamInfo<std::tuple<Libc, LibcMode>>& info) {
        const Libc& libc = std::get<0>(info.param);
        std::string name
            = libc.suite + "_glibc_" + libc.version + "_" + std::get<1>(info.param).What;
        for (char& c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

// Distributions word the banner each their own way; a development snapshot names no release.
TEST(GlibcVersion, isReadFromEachDistributionsBanner)
{
    const struct {
        const char* banner;
        int major, minor; // 0, 0: none
    } cases[] = {
        { "GNU C Library (Debian GLIBC 2.41-12+deb13u5) stable release version 2.41.", 2, 41 },
        { "GNU C Library (Ubuntu GLIBC 2.39-0ubuntu8.4) stable release version 2.39.\n", 2, 39 },
        { "GNU C Library (GNU libc) release release version 2.42.", 2, 42 },
        { "GNU C Library (GNU libc) development release version 2.43.9000.", 0, 0 },
        { "GNU C Library (GNU libc) stable release version 2.", 0, 0 },
        { "GNU C Library stable release", 0, 0 },
        { "not a banner, release version 2.41.", 0, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.banner);
        const std::optional<GlibcVersion> version = GlibcVersion::FromBanner(c.banner);
        ASSERT_EQ(version.has_value(), c.major != 0);
        if (version) {
            EXPECT_EQ(version->major, c.major);
            EXPECT_EQ(version->minor, c.minor);
        }
    }
}
