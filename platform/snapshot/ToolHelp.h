#pragma once
// Records and constants of the process snapshot service (the heap walk's block record is the
// heap room's, and comes with it). Field names are the platform's
// published ones; pointer-sized values are 64 bits wide and names are byte strings of any length,
// because on Linux neither fits the old fixed buffers.

#include "platform/heap/HeapBlockRecord.h"

#include <cstdint>
#include <string>

namespace quorvane {

constexpr uint32_t TH32CS_SNAPHEAPLIST = 0x1;
constexpr uint32_t TH32CS_SNAPPROCESS = 0x2;
constexpr uint32_t TH32CS_SNAPTHREAD = 0x4;
constexpr uint32_t TH32CS_SNAPMODULE = 0x8;

constexpr uint32_t HF32_DEFAULT = 1;
constexpr uint32_t HF32_SHARED = 2;

struct PROCESSENTRY32 {
    uint32_t th32ProcessID = 0;
    uint32_t th32ParentProcessID = 0;
    uint32_t cntThreads = 0;
    int32_t pcPriClassBase = 0;
    std::string szExeFile; // full path, or "[name]" as ps shows what has no readable executable
    uint64_t startTime = 0; // clock ticks since boot: with the PID, names this process uniquely
};

struct THREADENTRY32 {
    uint32_t th32ThreadID = 0;
    uint32_t th32OwnerProcessID = 0;
    int32_t tpBasePri = 0;
    int32_t tpDeltaPri = 0;
};

struct MODULEENTRY32 {
    uint32_t th32ModuleID = 0;
    uint32_t th32ProcessID = 0;
    uint32_t GlblcntUsage = 0;
    uint32_t ProccntUsage = 0;
    uint64_t modBaseAddr = 0;
    uint64_t modBaseSize = 0;
    uint64_t hModule = 0;
    std::string szModule;
    std::string szExePath;
};

struct HEAPLIST32 {
    uint32_t th32ProcessID = 0;
    uint64_t th32HeapID = 0;
    uint32_t dwFlags = 0;
};

} // namespace quorvane
