#pragma once

#include "platform/snapshot/RecordWalk.h"
#include "platform/snapshot/ToolhelpSnapshot.h"

namespace quorvane {

// A snapshot taken from /proc: every record is read when the snapshot is made, so a walk never
// touches the system and a process that ends meanwhile cannot break it. Kinds that were not asked
// for stay empty and their walks find nothing.
class LinuxToolhelpSnapshot : public ToolhelpSnapshot {
public:
    RecordWalk<PROCESSENTRY32>& Processes() { return FProcesses; }
    RecordWalk<THREADENTRY32>& Threads() { return FThreads; }
    RecordWalk<MODULEENTRY32>& Modules() { return FModules; }
    RecordWalk<HEAPLIST32>& HeapLists() { return FHeapLists; }

    bool Process32First(PROCESSENTRY32& record) override { return FProcesses.First(record); }
    bool Process32Next(PROCESSENTRY32& record) override { return FProcesses.Next(record); }
    bool Thread32First(THREADENTRY32& record) override { return FThreads.First(record); }
    bool Thread32Next(THREADENTRY32& record) override { return FThreads.Next(record); }
    bool Module32First(MODULEENTRY32& record) override { return FModules.First(record); }
    bool Module32Next(MODULEENTRY32& record) override { return FModules.Next(record); }
    bool Heap32ListFirst(HEAPLIST32& record) override { return FHeapLists.First(record); }
    bool Heap32ListNext(HEAPLIST32& record) override { return FHeapLists.Next(record); }

private:
    RecordWalk<PROCESSENTRY32> FProcesses;
    RecordWalk<THREADENTRY32> FThreads;
    RecordWalk<MODULEENTRY32> FModules;
    RecordWalk<HEAPLIST32> FHeapLists;
};

} // namespace quorvane
