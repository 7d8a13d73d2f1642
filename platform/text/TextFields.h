#pragma once
// Cutting text into lines and fields without copying: every result points into the text given.

#include <string_view>

namespace quorvane {

// Spaces and tabs: what the text formats we read call blanks.
inline constexpr std::string_view kBlanks = " \t";

std::string_view TrimFront(std::string_view text, std::string_view blanks = kBlanks);
std::string_view TrimBack(std::string_view text, std::string_view blanks = kBlanks);
std::string_view Trim(std::string_view text, std::string_view blanks = kBlanks);

// Takes the next line off the front of text: the characters up to the next LF, which goes too.
std::string_view TakeLine(std::string_view& text);

// The same, less a CR before the LF, for formats that may have been written with CR LF.
std::string_view TakeTextLine(std::string_view& text);

// Takes the characters up to the next separator (or the end) off the front of text, and the
// separator too. Two separators in a row give an empty field.
std::string_view TakeField(std::string_view& text, char separator);

// Takes the next word off the front of text: blanks before it are skipped, a run of them ends it.
// Empty when only blanks are left.
std::string_view TakeWord(std::string_view& text, std::string_view blanks = kBlanks);

} // namespace quorvane
