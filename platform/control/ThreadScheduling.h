#pragma once

#include <cstdint>
#include <optional>
#include <sys/types.h>

namespace quorvane {

// The scheduling of one thread as the kernel holds it: its struct sched_attr (first version),
// read and written whole with one system call each.
struct ThreadSchedule {
    uint32_t Size = sizeof(ThreadSchedule);
    uint32_t Policy = 0;
    uint64_t Flags = 0; // SCHED_FLAG_RESET_ON_FORK
    int32_t Nice = 0;
    uint32_t RtPriority = 0;
    uint64_t Runtime = 0; // SCHED_DEADLINE only
    uint64_t Deadline = 0;
    uint64_t Period = 0;
};

std::optional<ThreadSchedule> ReadThreadSchedule(pid_t tid);
// False, with errno, when the kernel refuses.
bool ApplyThreadSchedule(pid_t tid, const ThreadSchedule& schedule);

// Idle SCHED_OTHER nice 19, Normal nice 0, High nice -10, Real-Time SCHED_RR 1; nothing for any
// other value.
std::optional<ThreadSchedule> ScheduleOfClass(uint32_t priorityClass);

// Gives every thread listed in taskDir (a process's /proc task directory) the class's
// scheduling, walking the directory again until no new thread appears. When any thread refuses,
// the threads already changed get their old scheduling back and the answer is false. Changes
// that need privilege go first, so a refusal comes before anything that could not be undone.
bool SetProcessPriorityClass(int taskDir, uint32_t priorityClass);

} // namespace quorvane
