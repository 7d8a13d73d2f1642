#pragma once

#include <cstdint>

namespace quorvane {

// Linux scheduling seen as the base priorities and priority classes of the process viewer.

bool IsRealTimePolicy(uint32_t policy);

// Real-time 24; nice <= -5: 13; -4..-1: 10; 0: 8; 1..9: 6; nice >= 10 or SCHED_IDLE: 4.
int32_t BasePriority(uint32_t policy, int32_t nice);

// A thread's priority relative to its process's base: SCHED_IDLE -15, real-time in a process that
// is not +15, otherwise the difference of the two bases within -2..+2.
int32_t ThreadDeltaPriority(
    uint32_t processPolicy, int32_t processNice, uint32_t threadPolicy, int32_t threadNice);

// The priority class (IDLE/NORMAL/HIGH/REALTIME_PRIORITY_CLASS) a policy and nice read back as.
uint32_t PriorityClassOf(uint32_t policy, int32_t nice);

} // namespace quorvane
