// Any bytes as the start of a file: the header reader answers 0 or an ELF class, reading a file
// with those bytes gives the same answer, and every value has a text.
#include "platform/proc/ExecutableType.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

using namespace quorvane;

namespace {
// One in-memory file reused for every input: a real regular file without touching the disk.
int ScratchFile()
{
    static const int fd = memfd_create("executable", MFD_CLOEXEC);
    if (fd < 0)
        std::abort();
    return fd;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint32_t value = ExecutableTypeOfHeader(std::span(data, size));
    if (value != 0
        && (size < 18
            || std::memcmp(data,
                   "\x7F"
                   "ELF",
                   4)
                != 0
            || (value & 0xFFFF) != ElfTypeWord || value >> 16 != data[4]))
        std::abort();
    if (ExecutableTypeText(value).empty() && value != 0)
        std::abort();

    const int fd = ScratchFile();
    if (ftruncate(fd, 0) != 0 || (size > 0 && pwrite(fd, data, size, 0) != ssize_t(size)))
        std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const uint32_t fromFile = ExecutableTypeOfFile(path);
    if (fromFile != ExecutableTypeOfHeader(std::span(data, std::min<size_t>(size, 64))))
        std::abort();

    uint32_t raw = 0;
    std::memcpy(&raw, data, std::min(size, sizeof raw));
    ExecutableTypeText(raw);
    return 0;
}
