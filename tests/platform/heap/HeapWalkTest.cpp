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
#include "tests/support/ProcessProbe.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <gnu/libc-version.h>
#include <map>
#include <sstream>
#include <sys/mman.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

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
    std::string state;
    quorvane::testing::Within30Seconds(
        [&] { return (state = ProcStatus(pid, "State"))[0] != 'R'; });
    return state;
}

// The blocks of a heap, taken as the heap block dialog takes them: the first, then batchSize at a
// time (1: one call each). The process is let go before the first is handed out.
void Collect(HeapWalk& walk, pid_t pid, uint64_t heapId, size_t batchSize, bool held,
    std::vector<HEAPENTRY32>& blocks)
{
    std::vector<HEAPENTRY32> batch(batchSize);
    if (!walk.Heap32First(batch[0], uint32_t(pid), heapId))
        return;
    EXPECT_EQ(dynamic_cast<GlibcHeapWalk&>(walk).WasHeld(), held);
    EXPECT_EQ(ProcStatus(pid, "TracerPid"), "0"); // and no signal sent
    blocks.push_back(batch[0]);
    while (const size_t count
        = batchSize == 1 ? size_t(walk.Heap32Next(batch[0])) : walk.Heap32NextBlocks(batch))
        blocks.insert(blocks.end(), batch.begin(), batch.begin() + ptrdiff_t(count));
}

// Walks every heap of pid and checks it against what the child reported: each heap's blocks tile
// it, every live block is "Fixed" with room for its size, every freed one lies in a free block.
void CheckEveryBlock(
    pid_t pid, const HeapReport& report, size_t heapCount, bool held, size_t batchSize)
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
        std::vector<HEAPENTRY32> list;
        Collect(*walk, pid, heap.th32HeapID, batchSize, held, list);
        EXPECT_FALSE(list.empty()) << "no block in heap " << std::hex << heap.th32HeapID;
        for (size_t i = 0; i < list.size(); ++i) {
            if (i > 0) {
                EXPECT_EQ(list[i - 1].hHandle + list[i - 1].dwBlockSize, list[i].hHandle);
            }
            blocks[list[i].hHandle] = list[i];
        }
    }
    // How many blocks were seen wrong, and the first of them.
    std::vector<uint64_t> wrong;
    for (const auto& [address, size] : report.live) {
        const auto block = blocks.find(address - 16);
        ASSERT_NE(block, blocks.end()) << std::hex << address;
        if (block->second.dwFlags != LF32_FIXED || block->second.dwBlockSize - 8 < size
            || block->second.dwAddress != address)
            wrong.push_back(address);
    }
    for (const auto& [address, size] : report.freed) {
        const auto after = blocks.upper_bound(address - 16);
        ASSERT_NE(after, blocks.begin()) << std::hex << address;
        const HEAPENTRY32& block = std::prev(after)->second;
        if (block.dwFlags != LF32_FREE || address >= block.hHandle + block.dwBlockSize)
            wrong.push_back(address);
    }
    EXPECT_EQ(wrong.size(), 0u) << "of " << report.live.size() << " live and "
                                << report.freed.size() << " freed blocks, first at " << std::hex
                                << (wrong.empty() ? 0 : wrong[0]);
}

// The C library a child runs on: this machine's own (no root: the child starts as it is), that of
// a Debian release unpacked by tools/fetch_libcs.sh, or a copy of this machine's that names a
// release the walk does not know. Missing says why it cannot be had.
struct Libc {
    std::string suite;
    std::string version; // Debian's, such as 2.41-12+deb13u5; glibc's own for this machine's
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

// This machine's C library with only the release in its banner changed from 2. to 7., beside a
// link to this machine's loader: the walk must not guess at its layout.
Libc UnknownLibc()
{
    static const QTemporaryDir folder;
    const std::string root = folder.path().toStdString();
    Libc libc { "unknown", "7" + std::string(::gnu_get_libc_version()).substr(1), root, {} };
    Dl_info own {};
    ::dladdr(reinterpret_cast<void*>(&::gnu_get_libc_version), &own);
    std::ifstream in(own.dli_fname, std::ios::binary);
    std::string bytes { std::istreambuf_iterator<char>(in), {} };
    const size_t at = bytes.find(" release version 2.");
    if (at == std::string::npos || !folder.isValid())
        return { libc.suite, "-", {}, "no banner found, or no folder for the copy" };
    bytes[at + 17] = '7';
    std::filesystem::create_directories(root + "/lib/x86_64-linux-gnu");
    std::filesystem::create_directories(root + "/lib64");
    std::ofstream(root + "/lib/x86_64-linux-gnu/libc.so.6", std::ios::binary) << bytes;
    std::filesystem::create_symlink(
        "/lib64/ld-linux-x86-64.so.2", root + "/lib64/ld-linux-x86-64.so.2");
    return libc;
}

// This machine's; Debian 12, 13, unstable and experimental (the script asks the archive at most
// once a day); one of an unknown release.
std::vector<Libc> Libcs()
{
    std::vector<Libc> libcs { { "host", ::gnu_get_libc_version(), {}, {} } };
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
    if (libcs.size() == 1)
        libcs.push_back({ "debian", "-", {}, "tools/fetch_libcs.sh gave nothing" });
    libcs.push_back(UnknownLibc());
    return libcs;
}

struct LibcMode {
    const char* What;
    std::vector<std::string> Arguments;
    const char* Tunables = "";
    size_t Heaps = 2;
    size_t Batch = 1; // blocks taken a call
    bool Stopped = false; // by SIGSTOP before the walk
    bool Held = true;
};

// A heap child on the C library through that library's own loader, or as it is on the host's.
ChildProcess StartOn(const Libc& libc, const LibcMode& mode)
{
    const std::vector<std::string> environment { std::string("GLIBC_TUNABLES=") + mode.Tunables };
    if (libc.root.empty())
        return ChildProcess(HEAP_CHILD, mode.Arguments, environment);
    std::string loader = libc.root + "/lib64/ld-linux-x86-64.so.2";
    if (::access(loader.c_str(), X_OK) != 0)
        loader = libc.root + "/usr/lib64/ld-linux-x86-64.so.2";
    std::vector<std::string> arguments { "--library-path",
        libc.root + "/lib/x86_64-linux-gnu:" + libc.root
            + "/usr/lib/x86_64-linux-gnu:/lib/x86_64-linux-gnu:/usr/lib/x86_64-linux-gnu",
        HEAP_CHILD };
    arguments.insert(arguments.end(), mode.Arguments.begin(), mode.Arguments.end());
    return ChildProcess(loader, arguments, environment);
}

}

// The same children on each C library, each reporting its own blocks: each heap's blocks tile
// it. The process is held while read and let go before the first block is handed out, and left
// as it was; one with a thread that may not stop (in uninterruptible sleep) is read live instead.
class HeapWalkOnEachLibc : public ::testing::TestWithParam<std::tuple<Libc, LibcMode>> { };

TEST_P(HeapWalkOnEachLibc, listsEveryHeapAndClassifiesEveryBlockOrNoneAtAll)
{
    const auto& [libc, mode] = GetParam();
    if (!libc.missing.empty())
        GTEST_SKIP() << libc.suite << ": " << libc.missing;
    ChildProcess child = StartOn(libc, mode);
    const HeapReport report = ReadReport(child);
    // A forked child of the helper reports its own identifier.
    const pid_t pid = report.pid ? pid_t(report.pid) : child.Pid();
    ASSERT_NE(MapsOf(pid).find(libc.root + "/"), std::string::npos) << "not on " << libc.root;
    if (mode.Stopped) {
        ASSERT_EQ(::kill(pid, SIGSTOP), 0);
        siginfo_t info {};
        ASSERT_EQ(::waitid(P_PID, id_t(pid), &info, WSTOPPED | WNOWAIT), 0);
    }
    const std::string before = SettledState(pid);
    if (WalkKnows(libc.version))
        CheckEveryBlock(pid, report, mode.Heaps, mode.Held, mode.Batch);
    else
        EXPECT_TRUE(HeapsOf(uint32_t(pid)).empty()) << libc.version;
    EXPECT_EQ(SettledState(pid), before);
    ::kill(pid, SIGCONT);
    EXPECT_EQ(child.Finish(), 0); // it still answers: it ends when its input closes
}

INSTANTIATE_TEST_SUITE_P(Debian, HeapWalkOnEachLibc,
    ::testing::Combine(::testing::ValuesIn(Libcs()),
        ::testing::Values(LibcMode { "threads", { "pattern", "5000", "600" } },
            // Freed small blocks go to the fastbins.
            LibcMode {
                "withoutTcache", { "pattern", "4000", "400" }, "glibc.malloc.tcache_count=0" },
            // The second thread's arena grows a second heap and leaves the first: three in all.
            LibcMode { "severalHeaps", { "heaps", "800" }, "glibc.malloc.tcache_count=0", 3, 256 },
            // Its break area shows as two regions; still one heap.
            LibcMode { "forkedChild", { "fork", "3000" }, "", 1, 2 },
            LibcMode { "stopped", { "pattern", "300", "30" }, "", 2, 1, true },
            LibcMode {
                "inUninterruptibleSleep", { "stuck", "300", "30" }, "", 2, 1, false, false })),
    [](const ::testing::TestParamInfo<std::tuple<Libc, LibcMode>>& info) {
        const Libc& libc = std::get<0>(info.param);
        std::string name
            = libc.suite + "_glibc_" + libc.version + "_" + std::get<1>(info.param).What;
        for (char& c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

// A process that grows its heap between the reading of its map and of its arena (this program
// looking at itself does) still has its main heap, reaching to where the break is now: the map
// read before, its break area shorter, is made here by cutting the one read now.
TEST(HeapWalk, aBreakAreaThatGrewSinceItsMapWasReadIsStillTheMainHeap)
{
    ChildProcess child(PLAIN_CHILD, { "grow", "20000" }); // freeing nothing
    ASSERT_EQ(child.ReadLine(), "end");
    const RemoteMemory memory(child.Pid());
    const std::string maps = MapsOf(child.Pid());
    std::vector<MapRegion> regions = ParseMaps(maps);
    const MallocArenas fresh = MallocArenas::Find(memory, regions);
    const auto heap = std::find_if(regions.begin(), regions.end(),
        [](const MapRegion& region) { return region.path == "[heap]"; });
    ASSERT_NE(heap, regions.end());
    heap->end -= (heap->end - heap->start) / 2 & ~uint64_t(4095);
    const MallocArenas stale = MallocArenas::Find(memory, regions);
    ASSERT_FALSE(fresh.Heaps().empty());
    ASSERT_TRUE(fresh.Heaps().front().main);
    ASSERT_FALSE(stale.Heaps().empty());
    EXPECT_TRUE(stale.Heaps().front().main);
    EXPECT_EQ(stale.Heaps().front().end, fresh.Heaps().front().end);
}

// A damaged chunk size ends the walk with an error after the blocks before it, however many are
// taken a call.
TEST(HeapWalk, aDamagedChunkSizeEndsTheWalkAfterTheBlocksBeforeIt)
{
    ChildProcess child(HEAP_CHILD, { "damage", "1000", "0x38" });
    const HeapReport report = ReadReport(child);
    const uint64_t heapId = HeapsOf(uint32_t(child.Pid())).at(0).th32HeapID;
    for (const size_t batchSize : { 1, 2, 7, 256, 100000 }) {
        SCOPED_TRACE(batchSize);
        GlibcHeapWalk walk;
        std::vector<HEAPENTRY32> blocks;
        EXPECT_THROW(Collect(walk, child.Pid(), heapId, batchSize, true, blocks), HeapWalkError);
        EXPECT_EQ(std::count_if(blocks.begin(), blocks.end(),
                      [&](const HEAPENTRY32& block) { return report.live.count(block.dwAddress); }),
            500);
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

// Processes whose memory glibc's malloc does not manage, or that have none: no heap, at once.
constexpr const char* Jemalloc = "/usr/lib/x86_64-linux-gnu/libjemalloc.so.2";

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
    if (!c.Environment.empty() && ::access(Jemalloc, R_OK) != 0)
        GTEST_SKIP() << Jemalloc << " is missing (Debian package libjemalloc2)";
    ChildProcess child(c.Program, c.Arguments, c.Environment);
    ReadReport(child);
    ASSERT_EQ(MapsOf(child.Pid()).find(c.MapsShow) != std::string::npos, c.Shown) << c.MapsShow;
    std::vector<HEAPLIST32> heaps;
    EXPECT_TRUE(ReadHeapList(uint32_t(child.Pid()), heaps)); // it could be read
    EXPECT_TRUE(heaps.empty());
    EXPECT_EQ(child.Finish(), 0);
}

INSTANTIATE_TEST_SUITE_P(Children, ProcessesWithoutGlibcHeaps,
    ::testing::Values(
        WithoutGlibcHeap { "jemallocPreloaded", HEAP_CHILD, { "pattern", "3000", "300" },
            { std::string("LD_PRELOAD=") + Jemalloc }, "libjemalloc", true },
        // Its malloc is glibc's, linked in, but no C library is mapped to tell its version.
        WithoutGlibcHeap {
            "aStaticProgram", PLAIN_STATIC_CHILD, { "grow", "3000" }, {}, "[heap]", true },
        WithoutGlibcHeap { "neverGrewAHeap", PLAIN_CHILD, {}, {}, "[heap]", false }),
    [](const ::testing::TestParamInfo<WithoutGlibcHeap>& info) { return info.param.What; });

// A development snapshot names no release, so no release's layout is taken for it.
TEST(GlibcVersion, aDevelopmentSnapshotIsNoRelease)
{
    EXPECT_FALSE(GlibcVersion::FromBanner(
        "GNU C Library (GNU libc) development release version 2.43.9000."));
    EXPECT_TRUE(GlibcVersion::FromBanner("GNU C Library (GNU libc) stable release version 2.43."));
}
