#pragma once

#include <cstdint>

namespace quorvane {

// Linux scheduling seen as the base priorities and priority classes of the process viewer.

// The priority classes, by their platform values.
constexpr uint32_t IDLE_PRIORITY_CLASS = 64;
constexpr uint32_t NORMAL_PRIORITY_CLASS = 32;
constexpr uint32_t HIGH_PRIORITY_CLASS = 128;
constexpr uint32_t REALTIME_PRIORITY_CLASS = 256;

// The base priority of each class; Normal has a neighbour on either side.
constexpr int32_t kIdleBasePriority = 4;
constexpr int32_t kBelowNormalBasePriority = 6;
constexpr int32_t kNormalBasePriority = 8;
constexpr int32_t kAboveNormalBasePriority = 10;
constexpr int32_t kHighBasePriority = 13;
constexpr int32_t kRealTimeBasePriority = 24;

// Where nice leaves the Normal class: at or above Idle's, at or below High's.
constexpr int32_t kIdleNice = 10;
constexpr int32_t kHighNice = -5;

// The thread priorities that are no difference of two bases.
constexpr int32_t kIdleThreadDelta = -15;
constexpr int32_t kTimeCriticalThreadDelta = 15;

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
