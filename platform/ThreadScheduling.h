#pragma once

#include <cstdint>
#include <optional>
#include <sys/types.h>

namespace quorvane {

// The scheduling of one thread as the kernel holds it: policy (with its reset-on-fork flag),
// real-time priority and nice.
struct ThreadSchedule {
    int Policy = 0;
    int RtPriority = 0;
    int Nice = 0;
    bool operator==(const ThreadSchedule&) const = default;
};

std::optional<ThreadSchedule> ReadThreadSchedule(pid_t tid);
// Sets nice and policy; false, with errno, when either is refused (the other may be set).
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
