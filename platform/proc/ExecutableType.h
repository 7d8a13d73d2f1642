#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quorvane {

// The executable type value of a file: for an ELF executable or shared object, "EL" (0x4C45) in the
// low word and the ELF class (1: 32-bit, 2: 64-bit) in the high word; 0 for every other file,
// including one too short for its header or that cannot be read.
constexpr uint32_t ElfTypeWord = 0x4C45;

uint32_t ExecutableTypeOfHeader(std::span<const unsigned char> header);

// Reads the start of the regular file at an absolute path; anything else (a "[name]", a device, a
// missing file) is 0.
uint32_t ExecutableTypeOfFile(const std::string& path);

// The text a type value shows as in the process list.
std::string ExecutableTypeText(uint32_t value);

} // namespace quorvane
