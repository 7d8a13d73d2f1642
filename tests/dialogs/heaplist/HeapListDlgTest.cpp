#include "HeapListDlg.h"
#include "ChildProcess.h"
#include "ExtListView.h"
#include "HeapListBuilder.h"
#include "HeapWalkError.h"
#include "LinuxSnapshotService.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

using namespace quorvane;
using quorvane::testing::ChildProcess;

namespace {

// Blocks no glibc heap gives (moveable or locked ones, odd flags), handed out as listed; an
// optional failure after them.
class ListedWalk : public HeapWalk {
public:
    std::vector<HEAPENTRY32> Blocks;
    bool FailAtEnd = false;

    bool Heap32First(HEAPENTRY32& block, uint32_t, uint64_t) override
    {
        FNext = 0;
        return Heap32Next(block);
    }
    bool Heap32Next(HEAPENTRY32& block) override
    {
        if (FNext < Blocks.size()) {
            block = Blocks[FNext++];
            return true;
        }
        if (FailAtEnd)
            throw HeapWalkError("impossible chunk size");
        return false;
    }

private:
    size_t FNext = 0;
};

class ListedSnapshots : public SnapshotService {
public:
    ListedWalk Walk;
    std::unique_ptr<ToolhelpSnapshot> CreateToolhelp32Snapshot(uint32_t, uint32_t) override
    {
        return nullptr;
    }
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

QString Hex(uint64_t value)
{
    return QStringLiteral("$%1").arg(qulonglong(value), 16, 16, QLatin1Char('0')).toUpper();
}

// "live ADDRESS SIZE" and "freed ADDRESS SIZE" lines of the heap child, up to "end".
std::map<uint64_t, std::pair<bool, uint64_t>> ReadBlocks(ChildProcess& child)
{
    std::map<uint64_t, std::pair<bool, uint64_t>> blocks;
    for (std::string line = child.ReadLine(); line != "end"; line = child.ReadLine()) {
        std::istringstream fields(line);
        std::string kind;
        uint64_t address = 0, size = 0;
        if (fields >> kind >> address >> size && (kind == "live" || kind == "freed"))
            blocks[address] = { kind == "live", size };
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

TEST(HeapListDlg, listsEveryBlockOfARealHeapInAddressOrderWithItsKind)
{
    ChildProcess child(HEAP_CHILD, { "pattern", "3000", "300" });
    const auto blocks = ReadBlocks(child);
    LinuxSnapshotService service;
    THeapListDlg dialog(service);
    dialog.ListHeapBlocks(uint32_t(child.Pid()), MainHeapOf(child.Pid()));
    const int rows = dialog.HeapList->ItemCount();
    ASSERT_GT(rows, 2000);

    // Rows as the list shows them: handle -> address, size and kind.
    std::map<uint64_t, std::tuple<uint64_t, uint64_t, QString>> shown;
    uint64_t previousEnd = 0;
    for (int row = 0; row < rows; ++row) {
        const uint64_t handle = Cell(dialog, row, 0).mid(1).toULongLong(nullptr, 16);
        const uint64_t size = Cell(dialog, row, 2).toULongLong();
        ASSERT_TRUE(row == 0 || handle == previousEnd) << row; // in address order, no gaps
        EXPECT_EQ(Cell(dialog, row, 4), "0");
        shown[handle]
            = { Cell(dialog, row, 1).mid(1).toULongLong(nullptr, 16), size, Cell(dialog, row, 3) };
        previousEnd = handle + size;
    }
    size_t live = 0;
    for (const auto& [address, block] : blocks) {
        auto holding = shown.upper_bound(address - 16);
        if (holding == shown.begin() || address >= previousEnd)
            continue; // another thread's heap
        --holding;
        const auto& [shownAddress, size, kind] = holding->second;
        if (block.first) {
            ++live;
            EXPECT_EQ(shownAddress, address);
            EXPECT_GE(size - 8, block.second);
            EXPECT_EQ(kind, "Fixed");
        } else {
            EXPECT_EQ(kind, "Free") << std::hex << address;
        }
    }
    EXPECT_EQ(live, 2000u); // every third of the main thread's blocks is freed
}

TEST(HeapListDlg, aDamagedHeapEndsInCorruptDataAfterTheBlocksBeforeTheDamage)
{
    ChildProcess child(HEAP_CHILD, { "damage", "1000", "0x38" });
    const auto blocks = ReadBlocks(child);
    LinuxSnapshotService service;
    THeapListDlg dialog(service);
    dialog.ListHeapBlocks(uint32_t(child.Pid()), MainHeapOf(child.Pid()));
    const int last = dialog.HeapList->ItemCount() - 1;
    ASSERT_GT(last, 500);
    EXPECT_EQ(Row(dialog, last), "Corrupt Data |  |  |  | ");
    int live = 0;
    for (int row = 0; row < last; ++row)
        live += blocks.count(Cell(dialog, row, 1).mid(1).toULongLong(nullptr, 16)) > 0;
    EXPECT_EQ(live, 500);
}

TEST(HeapListDlg, aProcessWithoutHeapsAndAnUnknownHeapOpenEmpty)
{
    ChildProcess child(HEAP_CHILD, { "pattern", "100", "10" });
    ReadBlocks(child);
    LinuxSnapshotService service;
    THeapListDlg dialog(service);
    for (const auto& [pid, heap] : std::vector<std::pair<uint32_t, uint64_t>> {
             { 2, 0 }, { uint32_t(child.Pid()), 0x1000 } }) {
        dialog.ListHeapBlocks(pid, heap);
        EXPECT_EQ(dialog.HeapList->ItemCount(), 0) << pid;
    }
}

TEST(HeapListDlg, showsEachFieldAsItsColumnSaysWhateverTheWalkDelivers)
{
    ListedSnapshots system;
    system.Walk.Blocks = {
        { 0, 0xA3F000, 48, LF32_FIXED, 0 },
        { 0x1000, 0x1010, 32, LF32_FREE, 0 },
        { 0x1020, 0x1030, 4096, LF32_MOVEABLE, 7 },
        { 0x2020, 0x2030, 16, 3, 0 },
        { 0x2030, 0x2040, 17, 0, 0 },
        { 0xFFFFFFFFFFFFFFF0, 0xFFFFFFFFFFFFFFFF, 0x800000000, LF32_FIXED, 0xFFFFFFFF },
    };
    system.Walk.FailAtEnd = true;
    THeapListDlg dialog(system);
    dialog.ListHeapBlocks(1, 1);
    const QStringList expected {
        "$0000000000000000 | $0000000000A3F000 | 48 | Fixed | 0",
        "$0000000000001000 | $0000000000001010 | 32 | Free | 0",
        "$0000000000001020 | $0000000000001030 | 4096 | Moveable | 7",
        "$0000000000002020 | $0000000000002030 | 16 | Unknown | 0",
        "$0000000000002030 | $0000000000002040 | 17 | Unknown | 0",
        "$FFFFFFFFFFFFFFF0 | $FFFFFFFFFFFFFFFF | 34359738368 | Fixed | -1",
        "Corrupt Data |  |  |  | ",
    };
    ASSERT_EQ(dialog.HeapList->ItemCount(), expected.size());
    for (int row = 0; row < expected.size(); ++row)
        EXPECT_EQ(Row(dialog, row), expected[row]);
}

TEST(HeapListDlg, aMillionRowsAreHeldCompactlyAndOnlyTheVisibleOnesAreAskedFor)
{
    ListedSnapshots system;
    constexpr uint64_t Start = 0x555555560000;
    uint64_t handle = Start;
    system.Walk.Blocks.resize(1000000);
    for (size_t i = 0; i < system.Walk.Blocks.size(); ++i) {
        const uint64_t size = 32 + i % 5 * 16;
        system.Walk.Blocks[i] = { handle, handle + 16, size, i % 3 ? LF32_FIXED : LF32_FREE, 0 };
        handle += size;
    }
    THeapListDlg dialog(system);
    dialog.ListHeapBlocks(1, Start);
    EXPECT_LT(dialog.Rows().BytesHeld(), 5u * 1000000);
    int asked = 0;
    std::set<int> rowsAsked;
    const auto serve = dialog.HeapList->OnODGetItemInfo;
    dialog.HeapList->OnODGetItemInfo
        = [&](QObject* sender, int item, int subItem, TLVODMaskItems mask, int& image,
              qint32& param, int& state, int& indent, QString& text) {
              ++asked;
              rowsAsked.insert(item);
              serve(sender, item, subItem, mask, image, param, state, indent, text);
          };
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(dialog.HeapList, Qt::Key_End);
    QTest::qWait(1);
    dialog.HeapList->viewport()->repaint();
    EXPECT_EQ(dialog.HeapList->ItemFocused(), 999999);
    EXPECT_EQ(dialog.HeapList->verticalScrollBar()->value(),
        dialog.HeapList->verticalScrollBar()->maximum());
    ASSERT_GT(asked, 0);
    EXPECT_LT(rowsAsked.size(), 200u);
    EXPECT_EQ(*rowsAsked.rbegin(), 999999);
    EXPECT_EQ(Row(dialog, 999999),
        QStringLiteral("%1 | %2 | 96 | Free | 0").arg(Hex(handle - 96), Hex(handle - 80)));
}

TEST(HeapListDlg, opensFixedAndCentredWithTheListFocusedAndCloseAsDefaultAndCancel)
{
    ListedSnapshots system;
    THeapListDlg dialog(system);
    EXPECT_EQ(dialog.windowTitle(), "Heap List for ");
    const QFontMetrics metrics(dialog.HeapList->font());
    const int widest = dialog.HeapList->columnWidth(0);
    EXPECT_GE(widest, metrics.horizontalAdvance("$DDDDDDDDDDDDDDDD") + 6);
    EXPECT_EQ(dialog.HeapList->columnWidth(1), widest);
    const int wider = 2 * (widest - 75);
    EXPECT_EQ(dialog.HeapList->geometry(), QRect(5, 5, 396 + wider, 265));
    EXPECT_EQ(dialog.Button1->geometry(), QRect(408 + wider, 8, 75, 25));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.size(), QSize(489 + wider, 276));
    const QPoint offCentre = dialog.frameGeometry().center()
        - QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2);
    QStringList captions;
    for (int column = 0; column < dialog.HeapList->ColumnCount(); ++column)
        captions << dialog.HeapList->Column(column).Caption;
    EXPECT_EQ(captions, QStringList({ "Handle", "Address", "Size", "Type", "Lock Count" }));
    EXPECT_EQ(dialog.Button1->text(), "&Close");

    for (const Qt::Key key : { Qt::Key_Escape, Qt::Key_Return }) {
        QTimer::singleShot(0, &dialog, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
            EXPECT_EQ(QApplication::focusWidget(), dialog.HeapList);
            QTest::keyClick(dialog.HeapList, key);
        });
        EXPECT_EQ(dialog.exec(), QDialog::Accepted) << key;
    }
}
