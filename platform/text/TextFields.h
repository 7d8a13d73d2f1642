#pragma once
// Cutting text into lines and fields without copying: every result points into the text given.
// Inline: the /proc parsers call these once per field of every process.

#include <string_view>

namespace quorvane {

// Spaces and tabs: what the text formats we read call blanks.
inline constexpr std::string_view kBlanks = " \t";

namespace detail {
    // A plain loop: the sets are one to a few characters, and find_first_of would call memchr
    // once per character of the text.
    inline bool IsOneOf(char c, std::string_view set)
    {
        for (const char member : set)
            if (c == member)
                return true;
        return false;
    }
}

inline std::string_view TrimFront(std::string_view text, std::string_view blanks = kBlanks)
{
    size_t start = 0;
    while (start < text.size() && detail::IsOneOf(text[start], blanks))
        ++start;
    return text.substr(start);
}

// The same for one blank character, as the /proc tables pad their columns.
inline std::string_view TrimFront(std::string_view text, char blank)
{
    const size_t start = text.find_first_not_of(blank);
    return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

inline std::string_view TrimBack(std::string_view text, std::string_view blanks = kBlanks)
{
    size_t end = text.size();
    while (end > 0 && detail::IsOneOf(text[end - 1], blanks))
        --end;
    return text.substr(0, end);
}

inline std::string_view Trim(std::string_view text, std::string_view blanks = kBlanks)
{
    return TrimBack(TrimFront(text, blanks), blanks);
}

// Takes the characters up to the next separator (or the end) off the front of text, and the
// separator too. Two separators in a row give an empty field.
inline std::string_view TakeField(std::string_view& text, char separator)
{
    const size_t end = text.find(separator);
    const std::string_view field = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return field;
}

// Takes the next line off the front of text: the characters up to the next LF, which goes too.
inline std::string_view TakeLine(std::string_view& text)
{
    return TakeField(text, '\n');
}

// The same, less a CR before the LF, for formats that may have been written with CR LF.
inline std::string_view TakeTextLine(std::string_view& text)
{
    std::string_view line = TakeLine(text);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// Takes the next word off the front of text: blanks before it are skipped, a run of them ends it.
// Empty when only blanks are left.
inline std::string_view TakeWord(std::string_view& text, std::string_view blanks = kBlanks)
{
    text = TrimFront(text, blanks);
    size_t end = 0;
    while (end < text.size() && !detail::IsOneOf(text[end], blanks))
        ++end;
    const std::string_view word = text.substr(0, end);
    text.remove_prefix(end);
    return word;
}

// The same for one blank character: the /proc tables separate their fields by spaces.
inline std::string_view TakeWord(std::string_view& text, char blank)
{
    size_t start = 0;
    while (start < text.size() && text[start] == blank)
        ++start;
    size_t end = start;
    while (end < text.size() && text[end] != blank)
        ++end;
    const std::string_view word = text.substr(start, end - start);
    text.remove_prefix(end);
    return word;
}

} // namespace quorvane
