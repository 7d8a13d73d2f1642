#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// The fields of /proc/PID/stat (and /proc/PID/task/TID/stat) that we use, named as in proc(5).
struct ProcStat {
    int32_t pid = 0;
    std::string comm; // between the first "(" and the last ")"; any bytes
    char state = '?';
    int32_t ppid = 0;
    uint32_t flags = 0; // PF_KTHREAD marks a kernel thread
    int32_t priority = 0;
    int32_t nice = 0;
    int32_t num_threads = 0;
    uint64_t starttime = 0; // clock ticks since boot
    uint64_t vsize = 0; // bytes of the address space
    uint64_t startcode = 0;
    uint64_t endcode = 0;
    uint64_t arg_start = 0; // where exec placed argv: moves with every exec under ASLR
    uint32_t rt_priority = 0;
    uint32_t policy = 0;
    int last_field = 0; // the number of the last field present: a short text ends early
};

constexpr uint32_t PF_KTHREAD = 0x00200000;

constexpr uint32_t SCHED_POLICY_OTHER = 0;
constexpr uint32_t SCHED_POLICY_FIFO = 1;
constexpr uint32_t SCHED_POLICY_RR = 2;
constexpr uint32_t SCHED_POLICY_BATCH = 3;
constexpr uint32_t SCHED_POLICY_IDLE = 5;
constexpr uint32_t SCHED_POLICY_DEADLINE = 6;

// Nothing when the text is cut before num_threads or a field is not a number. Fields after
// num_threads that are missing stay 0: older kernels and truncated reads still give a row.
std::optional<ProcStat> ParseProcStat(std::string_view text);

} // namespace quorvane
