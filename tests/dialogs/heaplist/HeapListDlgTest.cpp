#include "HeapListDlg.h"
#include "ChildProcess.h"
#include "ExtListView.h"
#include "HeapListBuilder.h"
#include "HeapWalkError.h"
#include "LinuxSnapshotService.h"

#include <QAbstractItemModel>
#include <QFontMetrics>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

using namespace quorvane;
using quorvane::testing::ChildProcess;

namespace {

// Blocks no glibc heap gives (moveable or locked ones, odd flags), handed out as listed, then
// the failure a damaged heap raises.
class ListedWalk : public HeapWalk {
public:
    std::vector<HEAPENTRY32> Blocks;

    bool Heap32First(HEAPENTRY32& block, uint32_t, uint64_t) override
    {
        FNext = 0;
        return Heap32Next(block);
    }
    bool Heap32Next(HEAPENTRY32& block) override
    {
        if (FNext == Blocks.size())
            throw HeapWalkError("impossible chunk size");
        block = Blocks[FNext++];
        return true;
    }

private:
    size_t FNext = 0;
};

class ListedSnapshots : public LinuxSnapshotService {
public:
    ListedWalk Walk;
    std::unique_ptr<HeapWalk> CreateHeapWalk() override
    {
        return std::make_unique<ListedWalk>(Walk);
    }
};

QString Cell(const THeapListDlg& dialog, int row, int column)
{
    const QAbstractItemModel& model = *dialog.HeapList->model();
    return model.data(model.index(row, column)).toString();
}

QString Row(const THeapListDlg& dialog, int row)
{
    QStringList cells;
    for (int column = 0; column < 5; ++column)
        cells << Cell(dialog, row, column);
    return cells.join(QStringLiteral(" | "));
}

uint64_t Hex(const THeapListDlg& dialog, int row, int column)
{
    return Cell(dialog, row, column).mid(1).toULongLong(nullptr, 16);
}

// The addresses of the heap child's "live ADDRESS SIZE" and "freed ADDRESS SIZE" lines, up to
// "end", each with whether it is live.
std::map<uint64_t, bool> ReadBlocks(ChildProcess& child)
{
    std::map<uint64_t, bool> blocks;
    for (std::string line = child.ReadLine(); line != "end"; line = child.ReadLine()) {
        std::istringstream fields(line);
        std::string kind;
        uint64_t address = 0;
        if (fields >> kind >> address && (kind == "live" || kind == "freed"))
            blocks[address] = kind == "live";
    }
    return blocks;
}

uint64_t MainHeapOf(pid_t pid)
{
    std::vector<HEAPLIST32> heaps;
    ReadHeapList(uint32_t(pid), heaps);
    return heaps.empty() ? 0 : heaps.front().th32HeapID;
}

}

TEST(HeapListDlg, listsEveryBlockOfARealHeapInAddressOrderWithItsKindAndNoneOfAnother)
{
    ChildProcess child(HEAP_CHILD, { "pattern", "3000", "300" });
    const auto blocks = ReadBlocks(child);
    LinuxSnapshotService service;
    THeapListDlg dialog(service);
    dialog.ListHeapBlocks(uint32_t(child.Pid()), MainHeapOf(child.Pid()));
    const int rows = dialog.HeapList->ItemCount();
    ASSERT_GT(rows, 2000);
    EXPECT_LT(dialog.Rows().BytesHeld(), 8u * rows) << "a block is held in a few bytes";

    // The rows tile the heap in address order; a fixed row starts at an address handed out.
    const uint64_t first = Hex(dialog, 0, 0);
    uint64_t end = first;
    std::set<uint64_t> fixed;
    for (int row = 0; row < rows; ++row) {
        ASSERT_EQ(Hex(dialog, row, 0), end) << row;
        end += Cell(dialog, row, 2).toULongLong();
        if (Cell(dialog, row, 3) == "Fixed")
            fixed.insert(Hex(dialog, row, 1));
        else
            EXPECT_EQ(Cell(dialog, row, 3), "Free") << row;
    }
    int live = 0;
    for (const auto& [address, isLive] : blocks) {
        if (address < first || address >= end)
            continue; // another thread's heap
        EXPECT_EQ(fixed.count(address), isLive ? 1u : 0u) << std::hex << address;
        live += isLive;
    }
    EXPECT_EQ(live, 2000); // every third of the main thread's blocks is freed

    // A heap the process does not have, and a process without heaps, list nothing.
    dialog.ListHeapBlocks(uint32_t(child.Pid()), 0x1000);
    EXPECT_EQ(dialog.HeapList->ItemCount(), 0);
    dialog.ListHeapBlocks(2, 0);
    EXPECT_EQ(dialog.HeapList->ItemCount(), 0);
}

TEST(HeapListDlg, showsEachFieldAsItsColumnSaysWhateverTheWalkDelivers)
{
    ListedSnapshots system;
    system.Walk.Blocks = {
        { 0, 0xA3F000, 48, LF32_FIXED, 0 },
        { 0x1000, 0x1010, 32, LF32_FREE, 0 },
        { 0x1020, 0x1030, 4096, LF32_MOVEABLE, 7 },
        { 0x2020, 0x2030, 16, 3, 0 },
        { 0xFFFFFFFFFFFFFFF0, 0xFFFFFFFFFFFFFFFF, 0x800000000, LF32_FIXED, 0xFFFFFFFF },
    };
    THeapListDlg dialog(system);
    dialog.ListHeapBlocks(1, 1);
    const QStringList expected {
        "$0000000000000000 | $0000000000A3F000 | 48 | Fixed | 0",
        "$0000000000001000 | $0000000000001010 | 32 | Free | 0",
        "$0000000000001020 | $0000000000001030 | 4096 | Moveable | 7",
        "$0000000000002020 | $0000000000002030 | 16 | Unknown | 0",
        "$FFFFFFFFFFFFFFF0 | $FFFFFFFFFFFFFFFF | 34359738368 | Fixed | -1",
        "Corrupt Data |  |  |  | ",
    };
    ASSERT_EQ(dialog.HeapList->ItemCount(), expected.size());
    for (int row = 0; row < expected.size(); ++row)
        EXPECT_EQ(Row(dialog, row), expected[row]);
    const QFontMetrics metrics(dialog.HeapList->font());
    for (const int column : { 0, 1 })
        EXPECT_GE(
            dialog.HeapList->columnWidth(column), metrics.horizontalAdvance(Cell(dialog, 4, 1)) + 6)
            << "a whole address fits";
}
