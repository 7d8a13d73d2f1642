#include "ExecutableType.h"
#include "ExecutableTypeCache.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

using namespace quorvane;

namespace {

using Bytes = std::vector<unsigned char>;

// An ELF header of the given class, byte order and object type, cut to `size` bytes.
Bytes Elf(unsigned char elfClass, unsigned char data, uint16_t type, size_t size)
{
    Bytes bytes(std::max<size_t>(size, 64), 0);
    bytes[0] = 0x7F;
    bytes[1] = 'E';
    bytes[2] = 'L';
    bytes[3] = 'F';
    bytes[4] = elfClass;
    bytes[5] = data;
    bytes[6] = 1;
    bytes[16] = data == 2 ? uint8_t(type >> 8) : uint8_t(type);
    bytes[17] = data == 2 ? uint8_t(type) : uint8_t(type >> 8);
    bytes.resize(size);
    return bytes;
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

void Write(const std::string& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

struct HeaderCase {
    const char* What;
    Bytes Header;
    uint32_t Type;
};

} // namespace

TEST(ExecutableType, readsTheElfClassFromHeadersAndNothingFromAnythingElse)
{
    const HeaderCase cases[] = {
        { "64-bit executable", Elf(2, 1, 2, 64), 0x24C45 },
        { "64-bit position-independent", Elf(2, 1, 3, 64), 0x24C45 },
        { "32-bit executable", Elf(1, 1, 2, 52), 0x14C45 },
        { "32-bit big-endian", Elf(1, 2, 2, 52), 0x14C45 },
        { "unknown class is passed on", Elf(7, 1, 2, 18), 0x74C45 },
        { "class none", Elf(0, 1, 3, 18), 0x4C45 },
        { "64-bit header cut short", Elf(2, 1, 2, 63), 0 },
        { "32-bit header cut short", Elf(1, 1, 2, 51), 0 },
        { "magic alone", Elf(2, 1, 2, 4), 0 },
        { "object file", Elf(2, 1, 1, 64), 0 },
        { "core dump", Elf(2, 1, 4, 64), 0 },
        { "type in the other byte order", Elf(2, 1, 0x0200, 64), 0 },
        { "no byte order", Elf(2, 0, 2, 64), 0 },
        { "bad byte order", Elf(2, 3, 2, 64), 0 },
        { "MZ executable", Text("MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xff\xff\x00\x00\xb8"),
            0 },
        { "script", Text("#!/bin/sh\necho hello world\n"), 0 },
        { "almost ELF",
            Text("\x7f"
                 "ELG\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00"),
            0 },
        { "empty", Bytes {}, 0 },
    };
    for (const HeaderCase& test : cases)
        EXPECT_EQ(ExecutableTypeOfHeader(test.Header), test.Type) << test.What;
}

TEST(ExecutableType, readsOnlyRegularFilesAtAbsolutePaths)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    Write(folder + "/elf64", Elf(2, 1, 2, 64));
    Write(folder + "/elf32 with a long (odd) näme", Elf(1, 1, 3, 200));
    Write(folder + "/short", Elf(2, 1, 2, 40));
    ASSERT_EQ(mkfifo((folder + "/fifo").c_str(), 0600), 0);

    EXPECT_EQ(ExecutableTypeOfFile(folder + "/elf64"), 0x24C45u);
    EXPECT_EQ(ExecutableTypeOfFile(folder + "/elf32 with a long (odd) näme"), 0x14C45u);
    EXPECT_EQ(ExecutableTypeOfFile(folder + "/short"), 0u);
    EXPECT_EQ(ExecutableTypeOfFile(folder + "/fifo"), 0u); // and does not wait for a writer
    EXPECT_EQ(ExecutableTypeOfFile(folder), 0u);
    EXPECT_EQ(ExecutableTypeOfFile(folder + "/missing"), 0u);
    EXPECT_EQ(ExecutableTypeOfFile("/dev/zero"), 0u);
    EXPECT_EQ(ExecutableTypeOfFile("[kthreadd]"), 0u);
    EXPECT_EQ(ExecutableTypeOfFile(""), 0u);
    EXPECT_EQ(ExecutableTypeOfFile(std::filesystem::read_symlink("/proc/self/exe")), 0x24C45u);
}

TEST(ExecutableType, decodesEveryRowOfTheTypeTable)
{
    const struct {
        uint32_t Value;
        const char* Text;
    } rows[] = {
        { 0, "" },
        { 0x03000000, "16-Bit" },
        { 0x030A0000, "16-Bit" },
        { 0x0300454E, "16-Bit" },
        { 0x030A4550, "16-Bit" },
        { 0x03004550, "16-Bit" },
        { 0x04000000, "32-Bit" },
        { 0x0400454E, "32-Bit" },
        { 0x04004550, "32-Bit" },
        { 0x00004550, "hi:0" },
        { 0x0000454E, "hi:0" },
        { 0x00050000, "hi:5" },
        { 0xFFFF4550, "hi:65535" },
        { 0x0000454C, "Vxd" },
        { 0x0400454C, "Vxd" },
        { 0x00005A4D, "MS-Dos" },
        { 0x03005A4D, "MS-Dos" },
        { 0x00014C45, "32-Bit" },
        { 0x00024C45, "64-Bit" },
        { 0x00004C45, "hi:0" },
        { 0x00074C45, "hi:7" },
        { 0x04004C45, "hi:1024" },
        { 0x00001234, "lo:4660" },
        { 0x0400FFFF, "lo:65535" },
        { 0x00000001, "lo:1" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(ExecutableTypeText(row.Value), row.Text) << std::hex << row.Value;
}

TEST(ExecutableTypeCache, answersForTheFileNowAtThePath)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/program";
    Write(path, Elf(2, 1, 2, 64));
    ExecutableTypeCache types;
    EXPECT_EQ(types.TextOf(path), "64-Bit");
    EXPECT_EQ(types.TextOf(path), "64-Bit");

    // Replaced by another file under the same name, as an upgrade does.
    Write(path + ".new", Elf(1, 1, 2, 64));
    std::filesystem::rename(path + ".new", path);
    EXPECT_EQ(types.TypeOf(path), 0x14C45u);
    EXPECT_EQ(types.TextOf(path), "32-Bit");

    // Rewritten in place with something that is no executable.
    Write(path, Text("#!/bin/sh\n"));
    EXPECT_EQ(types.TextOf(path), "");

    std::filesystem::remove(path);
    EXPECT_EQ(types.TextOf(path), "");
    EXPECT_EQ(types.TextOf("[kthreadd]"), "");
    EXPECT_EQ(types.Size(), 0u);
}
