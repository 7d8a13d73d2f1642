#pragma once
// Conversions between UTF-8 (how the hive file and its callers hold text) and UTF-16LE (how the
// registry holds string data).

#include <string>
#include <string_view>

namespace quorvane {

// Invalid UTF-8 bytes are taken as Latin-1 characters, so any byte string converts and nothing
// is dropped.
std::string RepairUtf8(std::string_view text);
bool IsValidUtf8(std::string_view text);

// UTF-16LE bytes to UTF-8; a lone surrogate becomes U+FFFD and sets *lossy; an odd last byte is
// dropped and also sets *lossy.
std::string Utf16LeToUtf8(std::string_view bytes, bool* lossy = nullptr);
// UTF-8 text to UTF-16LE bytes, without terminator.
std::string Utf8ToUtf16Le(std::string_view text);

// The text of a string value: its UTF-16LE data up to the first NUL character.
std::string StringDataToUtf8(std::string_view data);
// String value data for a text: UTF-16LE with a terminating NUL.
std::string Utf8ToStringData(std::string_view text);

// The value of a hexadecimal digit, or -1 for any other character.
int HexDigit(char c);

char AsciiLower(char c);
std::string AsciiLower(std::string_view text);
bool AsciiEqualNoCase(std::string_view a, std::string_view b);

} // namespace quorvane
