#include "platform/proc/ExecutableType.h"
#include "platform/proc/ExecutableTypeCache.h"
#include "platform/proc/MemoryStatus.h"
#include "platform/proc/Priority.h"
#include "platform/proc/ProcStat.h"
#include "platform/proc/SystemResources.h"
#include "platform/snapshot/ToolHelp.h"

#include <QTemporaryDir>
#include <array>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorvane;

namespace {

// An ELF header of the given class, byte order and object type, cut to `size` bytes.
std::string Elf(char elfClass, char data, uint16_t type, size_t size)
{
    std::string bytes = std::string("\177ELF") + elfClass + data + '\1';
    bytes.resize(std::max<size_t>(size, 64));
    bytes[16] = char(data == 2 ? type >> 8 : type);
    bytes[17] = char(data == 2 ? type : type >> 8);
    return bytes.substr(0, size);
}

void Write(const std::string& path, const std::string& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A real line of a sleeping bash with the name swapped in, cut to `size` bytes.
std::string StatLine(const std::string& comm, size_t size = std::string::npos)
{
    return ("4242 (" + comm
        + ") S 1 4242 4242 34816 4242 4194560 1136 0 0 0 1 0 0 0 20 -3 5 0 98765 8699904 1280 "
          "18446744073709551615 94000000000000 94000000900000 140730000000000 0 0 0 65536 "
          "3686404 1266761467 1 0 0 17 1 7 2 0 0 0 94000001000000 94000001040000 94000002000000 "
          "140730000010000 140730000010100 140730000010100 140730000020000 0\n")
        .substr(0, size);
}

// What a line parses to: every field we use, in the order of the line.
std::string Parsed(const std::string& line)
{
    const auto stat = ParseProcStat(line);
    if (!stat)
        return "refused";
    std::ostringstream text;
    text << stat->pid << " (" << stat->comm << ") " << stat->state << " ppid " << stat->ppid
         << " flags " << stat->flags << " priority " << stat->priority << " nice " << stat->nice
         << " threads " << stat->num_threads << " start " << stat->starttime << " size "
         << stat->vsize << " code " << stat->startcode << "-" << stat->endcode << " args "
         << stat->arg_start << " rt " << stat->rt_priority << " policy " << stat->policy
         << " fields " << stat->last_field;
    return text.str();
}

// What the line of the sleeping bash parses to under another name.
std::string Bash(const std::string& comm,
    const std::string& after = " start 98765 size 8699904 code 94000000000000-94000000900000 "
                               "args 140730000010000 rt 7 policy 2 fields 52")
{
    return "4242 (" + comm + ") S ppid 1 flags 4194560 priority 20 nice -3 threads 5" + after;
}

} // namespace

TEST(SystemResources, freeShareIsThatOfTheScarcestTable)
{
    // The kernel tables as files under a folder of the test's; an empty text leaves a file out.
    const char* names[] = { "sys/fs/file-nr", "sys/fs/file-max", "loadavg", "sys/kernel/pid_max",
        "sys/kernel/threads-max" };
    const std::pair<std::array<const char*, 5>, std::optional<int>> cases[] = {
        // Files 950 - 50 = 900 of 1000 used; 100 tasks of 32768 and 192735.
        { { "950\t50\t1000\n", "1000\n", "0.1 0.2 0.3 2/100 4242\n", "32768\n", "192735\n" }, 10 },
        // Tasks are the scarcest: 83 of 100 identifiers are free.
        { { "950\t0\t9223372036854775807\n", "9223372036854775807\n", "0.00 0.00 0.00 1/17 99\n",
              "100\n", "192735\n" },
            83 },
        { { "", "", "0.00 0.00 0.00 1/100 99\n", "", "100\n" }, 0 },
        { { "junk\n", "100\n", "0.0 0.0 0.0 nonsense 1\n", "0\n", "x\n" }, std::nullopt },
    };
    for (const auto& [texts, expected] : cases) {
        QTemporaryDir root;
        const std::string folder = root.path().toStdString();
        for (size_t i = 0; i < texts.size(); ++i) {
            if (*texts[i] != '\0')
                Write(folder + "/" + names[i], texts[i]);
        }
        EXPECT_EQ(SystemResources(folder).FreePercent(), expected) << texts[0] << texts[2];
    }
}

TEST(MemoryStatus, totalIsThePhysicalMemoryInBytes)
{
    MEMORYSTATUS status {};
    GlobalMemoryStatus(status);
    EXPECT_EQ(
        status.dwTotalPhys, uint64_t(sysconf(_SC_PHYS_PAGES)) * uint64_t(sysconf(_SC_PAGESIZE)));
}

TEST(ExecutableType, readsTheElfClassFromHeadersAndFilesAndNothingFromAnythingElse)
{
    // What, header bytes, type, its text.
    const std::tuple<const char*, std::string, uint32_t, const char*> cases[] = {
        { "64-bit position-independent", Elf(2, 1, 3, 64), 0x24C45, "64-Bit" },
        { "32-bit big-endian", Elf(1, 2, 2, 52), 0x14C45, "32-Bit" },
        { "unknown class is passed on", Elf(7, 1, 2, 18), 0x74C45, "hi:7" },
        { "64-bit header cut short", Elf(2, 1, 2, 63), 0, "" },
        { "32-bit header cut short", Elf(1, 1, 2, 51), 0, "" },
        { "object file", Elf(2, 1, 1, 64), 0, "" },
        { "type in the other byte order", Elf(2, 1, 0x0200, 64), 0, "" },
        { "bad byte order", Elf(2, 3, 2, 64), 0, "" },
        { "almost ELF", std::string("\177ELG\2\1\1", 7) + std::string(10, '\0') + "\2", 0, "" },
        { "empty", "", 0, "" },
    };
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string file = folder + "/a long (odd) näme";
    for (const auto& [what, header, type, text] : cases) {
        SCOPED_TRACE(what);
        const auto* bytes = reinterpret_cast<const unsigned char*>(header.data());
        EXPECT_EQ(ExecutableTypeOfHeader(std::span(bytes, header.size())), type);
        Write(file, header);
        EXPECT_EQ(ExecutableTypeOfFile(file), type) << "in a file";
        EXPECT_EQ(ExecutableTypeText(type), text);
    }
    // Only regular files at absolute paths are read: a FIFO would wait for a writer.
    ASSERT_EQ(mkfifo((folder + "/fifo").c_str(), 0600), 0);
    Write(file, Elf(2, 1, 2, 64));
    for (const std::string& path : { folder + "/fifo", folder, std::string("/dev/zero"),
             std::filesystem::relative(file).string() })
        EXPECT_EQ(ExecutableTypeOfFile(path), 0u) << path;
}

TEST(ExecutableTypeCache, answersForTheFileNowAtThePath)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/program";
    Write(path, Elf(2, 1, 2, 64));
    ExecutableTypeCache types;
    EXPECT_EQ(types.TextOf(path), "64-Bit");
    // Replaced by another file under the same name, as an upgrade does.
    Write(path + ".new", Elf(1, 1, 2, 64));
    std::filesystem::rename(path + ".new", path);
    EXPECT_EQ(types.TextOf(path), "32-Bit");
    // Rewritten in place with something that is no executable.
    Write(path, "#!/bin/sh\n");
    EXPECT_EQ(types.TextOf(path), "");
    std::filesystem::remove(path);
    EXPECT_EQ(types.TextOf(path), "");
    EXPECT_EQ(types.Size(), 0u);
}

TEST(ProcStatParsing, takesTheNameToTheLastParenthesisAndRefusesWhatIsCutOrNoNumber)
{
    const std::string toThreads = StatLine("cat", StatLine("cat").find(" 0 98765"));
    const std::string cutAfterThreads = " start 0 size 0 code 0-0 args 0 rt 0 policy 0 fields 20";
    const std::pair<std::string, std::string> cases[] = {
        { StatLine("a) S 1 2 3 (b"), Bash("a) S 1 2 3 (b") },
        { StatLine(""), Bash("") },
        // Fields after the thread count may be missing; those before may not.
        { toThreads, Bash("cat", cutAfterThreads) },
        { toThreads.substr(0, toThreads.size() - 2), "refused" },
        { toThreads + "\n0 777", Bash("cat", cutAfterThreads) }, // the first line only
        { StatLine("cat", 9), "refused" },
        { "x (a) S", "refused" },
        { "12 a) S 1", "refused" },
        { "12 (a) SS 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18", "refused" },
        { "12 (a) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 -x 18", "refused" },
    };
    for (const auto& [line, parsed] : cases)
        EXPECT_EQ(Parsed(line), parsed) << line;
}

TEST(PriorityMapping, basePriorityAndClassFollowPolicyAndNice)
{
    // Policy, nice, base priority, class; the processes the tests start meet nice 0, 3 and 12.
    const std::tuple<uint32_t, int32_t, int32_t, uint32_t> cases[] = {
        { SCHED_POLICY_FIFO, 19, 24, REALTIME_PRIORITY_CLASS },
        { SCHED_POLICY_DEADLINE, 0, 24, REALTIME_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, -5, 13, HIGH_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, -4, 10, NORMAL_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, -1, 10, NORMAL_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, 1, 6, NORMAL_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, 9, 6, NORMAL_PRIORITY_CLASS },
        { SCHED_POLICY_OTHER, 10, 4, IDLE_PRIORITY_CLASS },
        { SCHED_POLICY_IDLE, -20, 4, IDLE_PRIORITY_CLASS },
    };
    for (const auto& [policy, nice, base, priorityClass] : cases) {
        SCOPED_TRACE(std::to_string(policy) + "/" + std::to_string(nice));
        EXPECT_EQ(BasePriority(policy, nice), base);
        EXPECT_EQ(PriorityClassOf(policy, nice), priorityClass);
    }
}

TEST(PriorityMapping, threadDeltaIsBoundedExceptForIdleAndRealTime)
{
    // The process runs SCHED_OTHER at nice 0 unless said otherwise.
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_OTHER, 0, SCHED_POLICY_OTHER, 19), -2);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_OTHER, 0, SCHED_POLICY_OTHER, -1), 2);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_OTHER, 0, SCHED_POLICY_FIFO, 0), 15);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_RR, 0, SCHED_POLICY_RR, 0), 0);
    EXPECT_EQ(ThreadDeltaPriority(SCHED_POLICY_RR, 0, SCHED_POLICY_OTHER, 0), -2);
}
