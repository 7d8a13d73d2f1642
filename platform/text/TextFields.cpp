#include "TextFields.h"

namespace quorvane {

namespace {
    // A plain loop: the sets are one or two characters, and find_first_of would call memchr once
    // per character of the text.
    bool IsOneOf(char c, std::string_view set)
    {
        for (const char member : set)
            if (c == member)
                return true;
        return false;
    }
}

std::string_view TrimFront(std::string_view text, std::string_view blanks)
{
    size_t start = 0;
    while (start < text.size() && IsOneOf(text[start], blanks))
        ++start;
    return text.substr(start);
}

std::string_view TrimBack(std::string_view text, std::string_view blanks)
{
    size_t end = text.size();
    while (end > 0 && IsOneOf(text[end - 1], blanks))
        --end;
    return text.substr(0, end);
}

std::string_view Trim(std::string_view text, std::string_view blanks)
{
    return TrimBack(TrimFront(text, blanks), blanks);
}

std::string_view TakeLine(std::string_view& text)
{
    return TakeField(text, '\n');
}

std::string_view TakeTextLine(std::string_view& text)
{
    std::string_view line = TakeLine(text);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

std::string_view TakeField(std::string_view& text, char separator)
{
    const size_t end = text.find(separator);
    const std::string_view field = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return field;
}

std::string_view TakeWord(std::string_view& text, std::string_view blanks)
{
    text = TrimFront(text, blanks);
    size_t end = 0;
    while (end < text.size() && !IsOneOf(text[end], blanks))
        ++end;
    const std::string_view word = text.substr(0, end);
    text.remove_prefix(end);
    return word;
}

} // namespace quorvane
