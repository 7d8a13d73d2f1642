#include "AnotherUser.h"
#include "ChildProcess.h"
#include "ChunkStream.h"
#include "GlibcHeapWalk.h"
#include "HeapListBuilder.h"
#include "HeapWalkError.h"
#include "LinuxSnapshotService.h"
#include "RemoteMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvane;
using quorvane::testing::ChildProcess;
using quorvane::testing::RunAsAnotherUser;

namespace {
// What a heap child says about its heap.
struct HeapReport {
    std::map<uint64_t, uint64_t> live; // user address -> requested size
    std::map<uint64_t, uint64_t> freed;
    uint64_t damaged = 0;
    uint64_t arena = 0, ordblks = 0, smblks = 0, fordblks = 0, uordblks = 0;
    uint64_t heapStart = 0, topChunk = 0;
    uint64_t pid = 0;
};

HeapReport ReadReport(ChildProcess& child)
{
    HeapReport report;
    for (std::string line = child.ReadLine(); line != "end"; line = child.ReadLine()) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        uint64_t a = 0, b = 0;
        if (kind == "mallinfo") {
            fields >> report.arena >> report.ordblks >> report.smblks >> report.fordblks
                >> report.uordblks;
        } else if (kind == "heap") {
            fields >> report.heapStart >> report.topChunk;
        } else if (kind == "pid") {
            fields >> report.pid;
        } else if (kind == "damaged") {
            fields >> report.damaged;
        } else if (fields >> a >> b) {
            (kind == "live" ? report.live : report.freed)[a] = b;
        }
    }
    return report;
}

std::vector<HEAPLIST32> HeapsOf(uint32_t pid)
{
    std::vector<HEAPLIST32> heaps;
    ReadHeapList(pid, heaps);
    return heaps;
}

struct WalkResult {
    std::vector<HEAPENTRY32> blocks;
    std::optional<std::string> failure;
};

WalkResult Walk(uint32_t pid, uint64_t heapId, HeapWalk& walk)
{
    WalkResult result;
    try {
        HEAPENTRY32 block;
        for (bool more = walk.Heap32First(block, pid, heapId); more; more = walk.Heap32Next(block))
            result.blocks.push_back(block);
    } catch (const HeapWalkError& error) {
        result.failure = error.what();
    }
    return result;
}

WalkResult Walk(uint32_t pid, uint64_t heapId)
{
    GlibcHeapWalk walk;
    return Walk(pid, heapId, walk);
}

// Every block of every heap, by chunk address; the heaps' blocks must tile each heap.
std::map<uint64_t, HEAPENTRY32> WalkEveryHeap(uint32_t pid, const std::vector<HEAPLIST32>& heaps)
{
    std::map<uint64_t, HEAPENTRY32> all;
    for (const HEAPLIST32& heap : heaps) {
        const WalkResult walked = Walk(pid, heap.th32HeapID);
        EXPECT_FALSE(walked.failure) << *walked.failure;
        EXPECT_FALSE(walked.blocks.empty());
        for (size_t i = 0; i < walked.blocks.size(); ++i) {
            const HEAPENTRY32& block = walked.blocks[i];
            EXPECT_EQ(block.dwAddress, block.hHandle + 16);
            EXPECT_EQ(block.dwLockCount, 0u);
            EXPECT_EQ(block.th32HeapID, heap.th32HeapID);
            EXPECT_TRUE(block.dwFlags == LF32_FIXED || block.dwFlags == LF32_FREE);
            if (i > 0) {
                EXPECT_EQ(
                    walked.blocks[i - 1].hHandle + walked.blocks[i - 1].dwBlockSize, block.hHandle);
            }
            all[block.hHandle] = block;
        }
    }
    return all;
}

const HEAPENTRY32* BlockHolding(const std::map<uint64_t, HEAPENTRY32>& blocks, uint64_t address)
{
    auto after = blocks.upper_bound(address);
    if (after == blocks.begin())
        return nullptr;
    const HEAPENTRY32& block = std::prev(after)->second;
    return address < block.hHandle + block.dwBlockSize ? &block : nullptr;
}

struct Totals {
    uint64_t freeBytes = 0, freeCount = 0, usedBytes = 0, allBytes = 0;
};

Totals Sum(const std::map<uint64_t, HEAPENTRY32>& blocks)
{
    Totals totals;
    for (const auto& [handle, block] : blocks) {
        totals.allBytes += block.dwBlockSize;
        if (block.dwFlags == LF32_FREE) {
            totals.freeBytes += block.dwBlockSize;
            ++totals.freeCount;
        } else {
            totals.usedBytes += block.dwBlockSize;
        }
    }
    return totals;
}

// Every heap but the main one spends its start on malloc's own records (at most 0x8d0 bytes)
// and may end in a 32-byte fencepost.
constexpr uint64_t ThreadHeapOverhead = 0x8d0 + 32;

std::string ProcStatus(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0)
            return line.substr(field.size() + 1);
    }
    return {};
}
}

struct HeapCase {
    const char* What;
    std::vector<std::string> Arguments;
    bool WithoutTcache; // then the free totals agree with mallinfo2 exactly
    size_t MinHeaps;
};

class HeapWalks : public ::testing::TestWithParam<HeapCase> { };

TEST_P(HeapWalks, findEveryLiveBlockUsedAndEveryFreedOneFree)
{
    const HeapCase& c = GetParam();
    ChildProcess child(HEAP_CHILD, c.Arguments,
        c.WithoutTcache ? std::vector<std::string> { "GLIBC_TUNABLES=glibc.malloc.tcache_count=0" }
                        : std::vector<std::string> {});
    const HeapReport report = ReadReport(child);
    // A forked child of the helper reports its own identifier.
    const uint32_t pid = uint32_t(report.pid ? report.pid : uint64_t(child.Pid()));
    const std::vector<HEAPLIST32> heaps = HeapsOf(pid);
    ASSERT_GE(heaps.size(), c.MinHeaps);
    if (report.pid) {
        EXPECT_EQ(heaps.size(), 1u);
    }
    EXPECT_EQ(heaps[0].dwFlags, HF32_DEFAULT);
    for (size_t i = 1; i < heaps.size(); ++i)
        EXPECT_EQ(heaps[i].th32HeapID % (64 << 20), 0u);

    const std::map<uint64_t, HEAPENTRY32> blocks = WalkEveryHeap(pid, heaps);
    for (const auto& [address, size] : report.live) {
        const auto block = blocks.find(address - 16);
        ASSERT_NE(block, blocks.end()) << std::hex << address;
        EXPECT_EQ(block->second.dwFlags, LF32_FIXED) << std::hex << address;
        EXPECT_GE(block->second.dwBlockSize - 8, size) << std::hex << address;
    }
    for (const auto& [address, size] : report.freed) {
        const HEAPENTRY32* block = BlockHolding(blocks, address - 16);
        ASSERT_NE(block, nullptr) << std::hex << address;
        EXPECT_EQ(block->dwFlags, LF32_FREE) << std::hex << address;
    }
    if (report.pid)
        return; // the helper's mallinfo2 is its parent's
    // Blocks held in tcache count as used to mallinfo2 but free to us.
    const Totals totals = Sum(blocks);
    EXPECT_GE(totals.freeBytes, report.fordblks);
    EXPECT_GE(totals.freeCount, report.ordblks + report.smblks);
    if (c.WithoutTcache) {
        EXPECT_EQ(totals.freeBytes, report.fordblks);
        EXPECT_EQ(totals.freeCount, report.ordblks + report.smblks);
    }
    EXPECT_LE(totals.allBytes, report.arena);
    EXPECT_GE(totals.allBytes + ThreadHeapOverhead * (heaps.size() - 1), report.arena);
}

INSTANTIATE_TEST_SUITE_P(Children, HeapWalks,
    ::testing::Values(HeapCase { "threadsAndTheirArenas", { "pattern", "5000", "600" }, false, 2 },
        HeapCase { "fastbinsWithoutTcache", { "pattern", "4000", "400" }, true, 2 },
        // The second thread's arena grows a second heap.
        HeapCase { "anArenaOfSeveralHeaps", { "heaps", "800" }, true, 3 },
        // Its break area shows as two regions; still one heap.
        HeapCase { "aForkedChild", { "fork", "3000" }, false, 1 }),
    [](const ::testing::TestParamInfo<HeapCase>& info) { return info.param.What; });

TEST(HeapWalk, holdsTheProcessOnlyWhileItReads)
{
    ChildProcess child(HEAP_CHILD, { "pattern", "300", "30" });
    ReadReport(child);
    const uint32_t pid = uint32_t(child.Pid());
    LinuxSnapshotService service;
    const std::unique_ptr<ToolhelpSnapshot> snapshot
        = service.CreateToolhelp32Snapshot(TH32CS_SNAPHEAPLIST, pid);
    ASSERT_TRUE(snapshot);
    HEAPLIST32 heap;
    ASSERT_TRUE(snapshot->Heap32ListFirst(heap));
    EXPECT_EQ(heap.dwFlags, HF32_DEFAULT);
    EXPECT_EQ(heap.th32ProcessID, pid);
    const std::unique_ptr<HeapWalk> walk = service.CreateHeapWalk();
    ASSERT_TRUE(walk);
    HEAPENTRY32 block;
    ASSERT_TRUE(walk->Heap32First(block, pid, heap.th32HeapID));
    EXPECT_TRUE(dynamic_cast<GlibcHeapWalk&>(*walk).WasHeld());
    // Released before the first block is handed out.
    EXPECT_EQ(ProcStatus(child.Pid(), "TracerPid"), "\t0");
    EXPECT_EQ(ProcStatus(child.Pid(), "State").find("t (tracing stop)"), std::string::npos);
    EXPECT_EQ(child.Finish(), 0); // it still answers: it ends when its input closes
}

TEST(HeapWalk, aStoppedProcessIsWalkedAndStaysStopped)
{
    ChildProcess child(HEAP_CHILD, { "pattern", "300", "30" });
    const HeapReport report = ReadReport(child);
    const uint32_t pid = uint32_t(child.Pid());
    ASSERT_EQ(::kill(child.Pid(), SIGSTOP), 0);
    siginfo_t info {};
    ASSERT_EQ(::waitid(P_PID, id_t(pid), &info, WSTOPPED | WNOWAIT), 0);
    const std::vector<HEAPLIST32> heaps = HeapsOf(pid);
    ASSERT_GE(heaps.size(), 2u);
    std::map<uint64_t, HEAPENTRY32> blocks = WalkEveryHeap(pid, heaps);
    for (const auto& [address, size] : report.live)
        EXPECT_EQ(blocks[address - 16].dwFlags, LF32_FIXED);
    // Let go by the walk, a stopped process may pass through a running state on its way back into
    // its stop; it must get there without being sent anything.
    std::string state;
    for (int tries = 0; tries < 200; ++tries) {
        state = ProcStatus(child.Pid(), "State").substr(0, 3);
        if (state == "\tT ")
            break;
        ::usleep(10000);
    }
    EXPECT_EQ(state, "\tT ");
    EXPECT_EQ(ProcStatus(child.Pid(), "TracerPid"), "\t0");
    ::kill(child.Pid(), SIGCONT);
    EXPECT_EQ(child.Finish(), 0);
}

namespace {
// A frozen cgroup of our own for one child: the v1 freezer where it is mounted, else the v2
// cgroup.freeze of the unified tree. Thawed, the child moved back and the group removed at the end.
class FrozenGroup {
public:
    explicit FrozenGroup(pid_t pid)
        : FPid(pid)
    {
        namespace fs = std::filesystem;
        const bool v1 = fs::is_directory("/sys/fs/cgroup/freezer");
        const fs::path root = v1                                      ? "/sys/fs/cgroup/freezer"
            : fs::exists("/sys/fs/cgroup/unified/cgroup.controllers") ? "/sys/fs/cgroup/unified"
                                                                      : "/sys/fs/cgroup";
        if (!v1 && !fs::exists(root / "cgroup.controllers")) {
            FMissing = "neither a cgroup v1 freezer nor a cgroup v2 tree is mounted";
            return;
        }
        FHome = v1 ? root : root / HomeGroup(pid);
        FProcs = v1 ? "tasks" : "cgroup.procs";
        FFreeze = v1 ? "freezer.state" : "cgroup.freeze";
        FThawed = v1 ? "THAWED" : "0";
        const fs::path path = root / ("quorvane-test-" + std::to_string(::getpid()));
        if (!fs::create_directory(path, FError)) {
            FMissing = "cannot make " + path.string() + ": " + FError.message();
            return;
        }
        FPath = path;
        if (!Write(FPath / FProcs, pid) || !Write(FPath / FFreeze, v1 ? "FROZEN" : "1")) {
            FMissing = "cannot freeze in " + FPath.string() + ": " + std::strerror(errno);
            return;
        }
        // Freezing is asynchronous: wait until the group says every task has stopped.
        const fs::path state = FPath / (v1 ? "freezer.state" : "cgroup.events");
        const std::string frozen = v1 ? "FROZEN\n" : "frozen 1";
        for (int i = 0; i < 5000 && !Holds(state, frozen); ++i)
            ::usleep(1000);
        if (!Holds(state, frozen))
            FMissing = "the freezer never reported " + state.string() + " frozen";
    }
    ~FrozenGroup()
    {
        if (FPath.empty())
            return;
        Write(FPath / FFreeze, FThawed);
        Write(FHome / FProcs, FPid);
        std::filesystem::remove(FPath, FError);
    }
    // Why the child could not be frozen; empty when it is.
    const std::string& Missing() const { return FMissing; }

private:
    // The child's group in the unified tree, from its "0::" line.
    static std::string HomeGroup(pid_t pid)
    {
        std::ifstream cgroups("/proc/" + std::to_string(pid) + "/cgroup");
        for (std::string line; std::getline(cgroups, line);)
            if (line.rfind("0::/", 0) == 0)
                return line.substr(4);
        return {};
    }
    static bool Holds(const std::filesystem::path& file, const std::string& text)
    {
        std::ifstream in(file);
        const std::string all(
            (std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return all.find(text) != std::string::npos;
    }
    template <typename T> static bool Write(const std::filesystem::path& file, const T& value)
    {
        std::ofstream out(file);
        out << value << std::endl;
        return bool(out);
    }

    pid_t FPid;
    std::filesystem::path FHome;
    std::filesystem::path FPath;
    std::string FProcs;
    std::string FFreeze;
    std::string FThawed;
    std::string FMissing;
    std::error_code FError;
};
}

TEST(HeapWalk, aFrozenProcessIsReadLiveRatherThanWaitedFor)
{
    ChildProcess child(HEAP_CHILD, { "pattern", "300", "30" });
    const HeapReport report = ReadReport(child);
    const uint32_t pid = uint32_t(child.Pid());
    FrozenGroup frozen(child.Pid());
    if (!frozen.Missing().empty())
        GTEST_SKIP() << "no frozen cgroup of our own here: " << frozen.Missing();
    const std::vector<HEAPLIST32> heaps = HeapsOf(pid);
    ASSERT_GE(heaps.size(), 2u);
    GlibcHeapWalk walk;
    const WalkResult walked = Walk(pid, heaps[0].th32HeapID, walk);
    EXPECT_FALSE(walk.WasHeld());
    EXPECT_FALSE(walked.failure);
    size_t live = 0;
    for (const HEAPENTRY32& block : walked.blocks)
        live += report.live.count(block.dwAddress) > 0 && block.dwFlags == LF32_FIXED;
    EXPECT_GT(live, 0u);
    EXPECT_EQ(ProcStatus(child.Pid(), "TracerPid"), "\t0");
}

TEST(HeapWalk, aDamagedHeaderGivesTheBlocksBeforeItThenTheFailure)
{
    for (const char* value : { "0", "0x38", "0x10000000001" }) {
        SCOPED_TRACE(value);
        ChildProcess child(HEAP_CHILD, { "damage", "1000", value });
        const HeapReport report = ReadReport(child);
        const uint32_t pid = uint32_t(child.Pid());
        const std::vector<HEAPLIST32> heaps = HeapsOf(pid);
        ASSERT_EQ(heaps.size(), 1u);
        const WalkResult walked = Walk(pid, heaps[0].th32HeapID);
        ASSERT_TRUE(walked.failure);
        ASSERT_FALSE(walked.blocks.empty());
        const HEAPENTRY32& last = walked.blocks.back();
        EXPECT_EQ(last.hHandle + last.dwBlockSize, report.damaged);
        size_t before = 0;
        for (const auto& [address, size] : report.live)
            before += address - 16 < report.damaged;
        const size_t found = std::count_if(walked.blocks.begin(), walked.blocks.end(),
            [&](const HEAPENTRY32& block) { return report.live.count(block.dwAddress) > 0; });
        EXPECT_EQ(found, before);
        EXPECT_EQ(before, 500u);
    }
}

// A heap its arena has left ends in a 16-byte fencepost and a header of size 0; where the old top
// was too small to free (32 or 48 bytes), only the header of size 0 follows a chunk of 32 bytes.
TEST(HeapWalk, aHeapTheArenaHasLeftEndsAtItsLastHeader)
{
    const RemoteMemory self(::getpid());
    for (const uint64_t lastChunk : { uint64_t(16), uint64_t(32) }) {
        SCOPED_TRACE(lastChunk);
        // A chunk of 48 bytes, the last chunk, then the header of size 0 (all with PREV_INUSE).
        std::vector<uint64_t> words(6 + lastChunk / 8 + 2, 0);
        words[1] = 48 | 1;
        words[6 + 1] = lastChunk | 1;
        words.back() = 0 | 1;
        const uint64_t start = reinterpret_cast<uint64_t>(words.data());
        ChunkStream stream(self, start, start + words.size() * 8, 0);
        std::vector<uint64_t> sizes;
        EXPECT_NO_THROW({
            while (const auto chunk = stream.Next())
                sizes.push_back(chunk->size);
        });
        const std::vector<uint64_t> expected
            = lastChunk == 16 ? std::vector<uint64_t> { 48 } : std::vector<uint64_t> { 48, 32 };
        EXPECT_EQ(sizes, expected);
    }
}

TEST(HeapWalk, randomBytesAsAHeapEndTheWalkInsideTheHeap)
{
    for (int seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        ChildProcess child(HEAP_CHILD, { "random", std::to_string(seed) });
        const HeapReport report = ReadReport(child);
        const uint32_t pid = uint32_t(child.Pid());
        const std::vector<HEAPLIST32> heaps = HeapsOf(pid);
        ASSERT_EQ(heaps.size(), 1u); // malloc's own records live outside the heap
        const WalkResult walked = Walk(pid, heaps[0].th32HeapID);
        for (const HEAPENTRY32& block : walked.blocks) {
            EXPECT_GE(block.hHandle, report.heapStart);
            EXPECT_LE(block.hHandle, report.topChunk);
        }
        if (seed % 2 == 0) {
            // Noise in the free lists and the tcache misleads nothing about the chunks.
            EXPECT_FALSE(walked.failure);
            ASSERT_FALSE(walked.blocks.empty());
            EXPECT_EQ(walked.blocks.back().hHandle, report.topChunk);
            EXPECT_EQ(walked.blocks.back().dwFlags, LF32_FREE);
        } else {
            EXPECT_TRUE(walked.failure);
        }
    }
}

TEST(HeapWalk, aProcessWithoutHeapsListsNoneAndAnUnknownHeapWalksNothing)
{
    // A kernel thread maps nothing.
    EXPECT_TRUE(HeapsOf(2).empty());
    // An identifier that names no heap of a real one.
    ChildProcess child(HEAP_CHILD, { "pattern", "100", "10" });
    ReadReport(child);
    GlibcHeapWalk walk;
    HEAPENTRY32 block;
    EXPECT_FALSE(walk.Heap32First(block, uint32_t(child.Pid()), 0x1000));
}

TEST(HeapWalk, aProcessOfAnotherUserListsNoneAndWalksNothing)
{
    ChildProcess child(HEAP_CHILD, { "pattern", "100", "10" });
    ReadReport(child);
    const uint32_t parent = uint32_t(::getpid());
    std::string missing;
    const std::optional<int> seen = RunAsAnotherUser(
        [&] {
            GlibcHeapWalk unprivileged;
            HEAPENTRY32 entry;
            const bool listed = !HeapsOf(parent).empty() || !HeapsOf(uint32_t(child.Pid())).empty();
            const bool walked = unprivileged.Heap32First(entry, uint32_t(child.Pid()), 0);
            return listed || walked ? 1 : 0;
        },
        &missing);
    if (!seen)
        GTEST_SKIP() << missing;
    EXPECT_EQ(*seen, 0);
}

TEST(HeapWalk, walksOnWorkingMemoryLeftByEarlierWalksGiveWhatFreshOnesGive)
{
    ChildProcess big(HEAP_CHILD, { "pattern", "5000", "600" });
    ReadReport(big);
    ChildProcess small(HEAP_CHILD, { "pattern", "200", "20" });
    ReadReport(small);
    LinuxSnapshotService service;
    auto same = [](const WalkResult& a, const WalkResult& b) {
        return a.failure == b.failure && a.blocks.size() == b.blocks.size()
            && std::equal(a.blocks.begin(), a.blocks.end(), b.blocks.begin(),
                [](const HEAPENTRY32& x, const HEAPENTRY32& y) {
                    return x.hHandle == y.hHandle && x.dwBlockSize == y.dwBlockSize
                        && x.dwFlags == y.dwFlags;
                });
    };
    // Larger first, so the smaller walks run on memory holding the larger one's leftovers.
    for (const ChildProcess* child : { &big, &small, &big }) {
        const uint32_t pid = uint32_t(child->Pid());
        for (const HEAPLIST32& heap : HeapsOf(pid)) {
            const std::unique_ptr<HeapWalk> reused = service.CreateHeapWalk();
            EXPECT_TRUE(same(Walk(pid, heap.th32HeapID, *reused), Walk(pid, heap.th32HeapID)));
        }
    }
}
