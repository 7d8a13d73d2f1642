#include "dialogs/HeapListDlg.h"
#include "controls/listview/ExtListView.h"
#include "dialogs/TThreadPriorityDlg.h"
#include "platform/heap/HeapWalkError.h"
#include "platform/snapshot/HeapListBuilder.h"
#include "platform/snapshot/LinuxSnapshotService.h"
#include "tests/support/ChildProcess.h"
#include "toolkit/TApplication.h"
#include "toolkit/TMessageBox.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

using namespace quorvane;
using quorvane::testing::ChildProcess;

namespace {

// Blocks no glibc heap gives (moveable or locked ones, odd flags), handed out as listed, then
// the failure that ends the walk: a damaged heap's unless another is set.
struct ListedSnapshots : LinuxSnapshotService {
    struct Walk : HeapWalk {
        const ListedSnapshots& Listed;
        size_t Next = 0;
        explicit Walk(const ListedSnapshots& listed)
            : Listed(listed)
        {
        }
        bool Heap32First(HEAPENTRY32& block, uint32_t, uint64_t) override
        {
            return Heap32Next(block);
        }
        bool Heap32Next(HEAPENTRY32& block) override
        {
            if (Next == Listed.Blocks.size())
                std::rethrow_exception(Listed.End);
            block = Listed.Blocks[Next++];
            return true;
        }
    };
    std::unique_ptr<HeapWalk> CreateHeapWalk() override { return std::make_unique<Walk>(*this); }

    std::vector<HEAPENTRY32> Blocks;
    std::exception_ptr End = std::make_exception_ptr(HeapWalkError("impossible chunk size"));
};

QString Cell(const THeapListDlg& dialog, int row, int column)
{
    const QAbstractItemModel& model = *dialog.HeapList->model();
    return model.data(model.index(row, column)).toString();
}

QStringList Rows(const THeapListDlg& dialog)
{
    QStringList rows;
    for (int row = 0; row < dialog.HeapList->ItemCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < 5; ++column)
            cells << Cell(dialog, row, column);
        rows << cells.join(QStringLiteral(" | "));
    }
    return rows;
}

uint64_t Hex(const THeapListDlg& dialog, int row, int column)
{
    return Cell(dialog, row, column).mid(1).toULongLong(nullptr, 16);
}

// Keys typed within the keyboard input interval of each other make one search.
auto TypingPaceRestored()
{
    return qScopeGuard([saved = QApplication::keyboardInputInterval()] {
        QApplication::setKeyboardInputInterval(saved);
    });
}
constexpr int OneSearch = 3600 * 1000;
constexpr int Brief = 1;

}

TEST(HeapListDlg, listsEveryBlockOfARealHeapInAddressOrderWithItsKind)
{
    ChildProcess child(HEAP_CHILD, { "pattern", "3000", "300" });
    std::map<uint64_t, bool> blocks; // reported as "live ADDRESS SIZE" or "freed ADDRESS SIZE"
    for (std::string line = child.ReadLine(); line != "end"; line = child.ReadLine()) {
        unsigned long long address = 0;
        const bool live = std::sscanf(line.c_str(), "live %llu", &address) == 1;
        if (live || std::sscanf(line.c_str(), "freed %llu", &address) == 1)
            blocks[address] = live;
    }
    std::vector<HEAPLIST32> heaps;
    ReadHeapList(uint32_t(child.Pid()), heaps);
    ASSERT_FALSE(heaps.empty());
    LinuxSnapshotService service;
    THeapListDlg dialog(service);
    dialog.ListHeapBlocks(uint32_t(child.Pid()), heaps.front().th32HeapID);
    const int rows = dialog.HeapList->ItemCount();
    ASSERT_GT(rows, 2000);
    EXPECT_LT(dialog.Rows().BytesHeld(), 8u * rows) << "a block is held in a few bytes";

    // The rows tile the heap in address order; a block the child holds is a fixed row, one it
    // freed is not.
    uint64_t end = Hex(dialog, 0, 0);
    int live = 0;
    for (int row = 0; row < rows; ++row) {
        ASSERT_EQ(Hex(dialog, row, 0), end) << row;
        end += Cell(dialog, row, 2).toULongLong();
        const QString kind = Cell(dialog, row, 3);
        EXPECT_TRUE(kind == "Fixed" || kind == "Free") << row;
        if (const auto block = blocks.find(Hex(dialog, row, 1)); block != blocks.end()) {
            EXPECT_EQ(kind == "Fixed", block->second) << row;
            live += block->second;
        }
    }
    EXPECT_EQ(live, 2000); // every third of the main thread's blocks is freed

    // Typing a whole handle, in either case, finds its row far from any checkpoint.
    const auto paceRestored = TypingPaceRestored();
    QApplication::setKeyboardInputInterval(OneSearch);
    QTest::keyClicks(dialog.HeapList, Cell(dialog, 1000, 0).toLower());
    EXPECT_EQ(dialog.HeapList->ItemFocused(), 1000);
}

// Only a damaged heap ends in "Corrupt Data": running out of memory is an error like any other,
// for the default error handler, and the list claims no row it does not hold.
TEST(HeapListDlg,
    showsEachFieldInTheDialogsFontFindsRowsByTypingAndEndsOnlyADamagedHeapInCorruptData)
{
    ListedSnapshots system;
    system.Blocks = {
        { 0, 0xA3F000, 48, LF32_FIXED, 0 },
        { 0x1000, 0x1010, 32, LF32_FREE, 0 },
        { 0x1020, 0x1030, 4096, LF32_MOVEABLE, 7 },
        { 0x2020, 0x2030, 16, 3, 0 },
        { 0xFFFFFFFFFFFFFFF0, 0xFFFFFFFFFFFFFFFF, 0x800000000, LF32_FIXED, 0xFFFFFFFF },
    };
    THeapListDlg dialog(system);
    dialog.ListHeapBlocks(1, 1);
    EXPECT_EQ(Rows(dialog),
        QStringList({ "$0000000000000000 | $0000000000A3F000 | 48 | Fixed | 0",
            "$0000000000001000 | $0000000000001010 | 32 | Free | 0",
            "$0000000000001020 | $0000000000001030 | 4096 | Moveable | 7",
            "$0000000000002020 | $0000000000002030 | 16 | Unknown | 0",
            "$FFFFFFFFFFFFFFF0 | $FFFFFFFFFFFFFFFF | 34359738368 | Fixed | -1",
            "Corrupt Data |  |  |  | " }));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.HeapList->font(), TThreadPriorityDlg(nullptr).font());
    EXPECT_GT(dialog.Button1->geometry().left(), dialog.HeapList->geometry().right());
    EXPECT_LE(dialog.Button1->geometry().right(), dialog.width());

    // Keys typed together make one search; each starts below the focused row and wraps.
    QTest::keyClick(dialog.HeapList, Qt::Key_Home);
    const auto paceRestored = TypingPaceRestored();
    QApplication::setKeyboardInputInterval(OneSearch);
    QTest::keyClicks(dialog.HeapList, "$00000000000020");
    EXPECT_EQ(dialog.HeapList->ItemFocused(), 3);
    // Each key after a pause longer than the interval: a new search. No row starts with "x".
    QApplication::setKeyboardInputInterval(Brief);
    const std::pair<const char*, int> typed[] = { { "c", 5 }, { "$", 0 }, { "$", 1 }, { "x", 1 } };
    for (const auto& [keys, focused] : typed) {
        QTest::qWait(5 * Brief);
        QTest::keyClicks(dialog.HeapList, keys);
        EXPECT_EQ(dialog.HeapList->ItemFocused(), focused) << keys;
        EXPECT_EQ(dialog.HeapList->Selected(), focused) << keys;
    }

    QStringList said;
    TMessageBox::SetAnswerHook([&](const TMessageRequest& request) {
        said << request.Caption + ": " + request.Text;
        return TModalResult::mrOk;
    });
    system.End = std::make_exception_ptr(std::bad_alloc());
    RunHandler([&] { dialog.ListHeapBlocks(1, 1); });
    TMessageBox::SetAnswerHook({});
    EXPECT_EQ(said, QStringList { "Quorvane: std::bad_alloc." });
    EXPECT_EQ(dialog.HeapList->ItemCount(), 0);
}
