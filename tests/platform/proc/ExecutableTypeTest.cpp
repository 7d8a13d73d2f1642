#include "platform/proc/ExecutableType.h"
#include "platform/proc/ExecutableTypeCache.h"
#include "tests/support/WriteFile.h"

#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quorvane;
using quorvane::testing::WriteFile;

namespace {

// An ELF header of the given class, byte order and object type, cut to `size` bytes.
std::string Elf(char elfClass, char data, uint16_t type, size_t size)
{
    std::string bytes = std::string("\177ELF") + elfClass + data + '\1';
    bytes.resize(std::max<size_t>(size, 64));
    bytes[16] = char(data == 2 ? type >> 8 : type);
    bytes[17] = char(data == 2 ? type : type >> 8);
    return bytes.substr(0, size);
}

} // namespace

TEST(ExecutableType, readsTheElfClassFromHeadersAndFilesAndNothingFromAnythingElse)
{
    // What, header bytes, type, its text.
    const std::tuple<const char*, std::string, uint32_t, const char*> cases[] = {
        { "64-bit position-independent", Elf(2, 1, 3, 64), 0x24C45, "64-Bit" },
        { "32-bit big-endian", Elf(1, 2, 2, 52), 0x14C45, "32-Bit" },
        { "unknown class is passed on", Elf(7, 1, 2, 18), 0x74C45, "hi:7" },
        { "64-bit header cut short", Elf(2, 1, 2, 63), 0, "" },
        { "object file", Elf(2, 1, 1, 64), 0, "" },
        { "bad byte order", Elf(2, 3, 2, 64), 0, "" },
        { "almost ELF", std::string("\177ELG\2\1\1", 7) + std::string(10, '\0') + "\2", 0, "" },
        { "empty", "", 0, "" },
    };
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string file = folder + "/a long (odd) näme";
    for (const auto& [what, header, type, text] : cases) {
        SCOPED_TRACE(what);
        const auto* bytes = reinterpret_cast<const unsigned char*>(header.data());
        EXPECT_EQ(ExecutableTypeOfHeader(std::span(bytes, header.size())), type);
        WriteFile(file, header);
        EXPECT_EQ(ExecutableTypeOfFile(file), type) << "in a file";
        EXPECT_EQ(ExecutableTypeText(type), text);
    }
    // Only regular files at absolute paths are read: a FIFO would wait for a writer.
    ASSERT_EQ(mkfifo((folder + "/fifo").c_str(), 0600), 0);
    WriteFile(file, Elf(2, 1, 2, 64));
    for (const std::string& path : { folder + "/fifo", folder, std::string("/dev/zero"),
             std::filesystem::relative(file).string() })
        EXPECT_EQ(ExecutableTypeOfFile(path), 0u) << path;
}

TEST(ExecutableTypeCache, answersForTheFileNowAtThePath)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/program";
    WriteFile(path, Elf(2, 1, 2, 64));
    ExecutableTypeCache types;
    EXPECT_EQ(types.TextOf(path), "64-Bit");
    // Replaced by another file under the same name, as an upgrade does.
    WriteFile(path + ".new", Elf(1, 1, 2, 64));
    std::filesystem::rename(path + ".new", path);
    EXPECT_EQ(types.TextOf(path), "32-Bit");
    std::filesystem::remove(path);
    EXPECT_EQ(types.TextOf(path), "");
    EXPECT_EQ(types.Size(), 0u);
}
