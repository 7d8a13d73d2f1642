#pragma once

#include "platform/snapshot/ToolHelp.h"

namespace quorvane {

// One snapshot of the system, walked First/Next. Destroying it is closing it. A snapshot answers
// only the walks of the kinds it was taken for; the others find nothing.
class ToolhelpSnapshot {
public:
    virtual ~ToolhelpSnapshot() = default;

    virtual bool Process32First(PROCESSENTRY32&) { return false; }
    virtual bool Process32Next(PROCESSENTRY32&) { return false; }
    virtual bool Thread32First(THREADENTRY32&) { return false; }
    virtual bool Thread32Next(THREADENTRY32&) { return false; }
    virtual bool Module32First(MODULEENTRY32&) { return false; }
    virtual bool Module32Next(MODULEENTRY32&) { return false; }
    virtual bool Heap32ListFirst(HEAPLIST32&) { return false; }
    virtual bool Heap32ListNext(HEAPLIST32&) { return false; }
};

} // namespace quorvane
