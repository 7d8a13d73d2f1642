#include "platform/proc/ExecutableType.h"

#include "platform/posix/RetryOnInterrupt.h"
#include "platform/posix/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {

namespace {
    constexpr size_t IdentSize = 16; // e_ident
    constexpr unsigned char ElfClass32 = 1;
    constexpr unsigned char ElfClass64 = 2;
    constexpr unsigned char DataLittle = 1;
    constexpr unsigned char DataBig = 2;
    constexpr uint16_t TypeExec = 2;
    constexpr uint16_t TypeShared = 3; // also every position-independent executable

    size_t HeaderSize(unsigned char elfClass)
    {
        switch (elfClass) {
        case ElfClass32:
            return 52;
        case ElfClass64:
            return 64;
        default:
            return IdentSize + 2; // as far as e_type, whose place every class shares
        }
    }

    // Low word and high word as the process list decodes them.
    uint32_t TypeValue(uint16_t low, uint16_t high)
    {
        return uint32_t(high) << 16 | low;
    }

    bool IsOneOf(uint16_t low, std::initializer_list<uint16_t> words)
    {
        for (uint16_t word : words)
            if (low == word)
                return true;
        return false;
    }
}

uint32_t ExecutableTypeOfHeader(std::span<const unsigned char> header)
{
    if (header.size() < IdentSize + 2 || header[0] != 0x7F || header[1] != 'E' || header[2] != 'L'
        || header[3] != 'F')
        return 0;
    const unsigned char elfClass = header[4];
    const unsigned char data = header[5];
    if (header.size() < HeaderSize(elfClass) || (data != DataLittle && data != DataBig))
        return 0;
    const uint16_t type = data == DataLittle ? uint16_t(header[16] | header[17] << 8)
                                             : uint16_t(header[16] << 8 | header[17]);
    if (type != TypeExec && type != TypeShared)
        return 0;
    return TypeValue(ElfTypeWord, elfClass);
}

uint32_t ExecutableTypeOfFile(const std::string& path)
{
    // Opening a device or a FIFO can block or have effects: only regular files are read.
    struct stat before { };
    if (path.empty() || path.front() != '/' || stat(path.c_str(), &before) != 0
        || !S_ISREG(before.st_mode))
        return 0;
    const UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat opened { };
    if (!fd.Valid() || fstat(fd.Get(), &opened) != 0 || !S_ISREG(opened.st_mode))
        return 0;
    unsigned char header[64];
    const ssize_t length
        = RetryOnInterrupt([&] { return pread(fd.Get(), header, sizeof header, 0); });
    return length > 0 ? ExecutableTypeOfHeader(std::span(header, size_t(length))) : 0;
}

std::string ExecutableTypeText(uint32_t value)
{
    const uint16_t low = uint16_t(value & 0xFFFF);
    const uint16_t high = uint16_t(value >> 16);
    if (value == 0)
        return {};
    if (IsOneOf(low, { 0, 0x454E, 0x4550 })) { // "NE", "PE"
        if (high == 0x0300 || high == 0x030A)
            return "16-Bit";
        if (high == 0x0400)
            return "32-Bit";
        return "hi:" + std::to_string(high);
    }
    if (low == 0x454C) // "LE"
        return "Vxd";
    if (low == 0x5A4D) // "MZ"
        return "MS-Dos";
    if (low == ElfTypeWord) {
        if (high == ElfClass32)
            return "32-Bit";
        if (high == ElfClass64)
            return "64-Bit";
        return "hi:" + std::to_string(high);
    }
    return "lo:" + std::to_string(low);
}

} // namespace quorvane
