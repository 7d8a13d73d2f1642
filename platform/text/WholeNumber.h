#pragma once
// Numbers that make up a whole field: no blanks, no "+", no "0x", nothing after the digits, and a
// value that fits the type. A "-" is taken only for a signed type.

#include <charconv>
#include <concepts>
#include <optional>
#include <string_view>

namespace quorvane {

template <std::integral T> std::optional<T> ParseWholeNumber(std::string_view text, int base)
{
    T value {};
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

template <std::integral T> std::optional<T> ParseDecimal(std::string_view text)
{
    return ParseWholeNumber<T>(text, 10);
}

// Digits of either case.
template <std::integral T> std::optional<T> ParseHex(std::string_view text)
{
    return ParseWholeNumber<T>(text, 16);
}

} // namespace quorvane
