#pragma once
// The program reads stored integers by two grammars: the settings store's numbers and the entries
// of a list's stored column order and widths. The same texts for both, with what each reads.

#include <climits>
#include <cstdint>
#include <optional>

namespace quorvane {

struct IntegerText {
    const char* Text;
    std::optional<int32_t> StoredNumber; // nothing: the default
    std::optional<int32_t> ColumnEntry; // nothing: refused
};

// "\xd9\xa3" is an Arabic-Indic digit three.
inline constexpr IntegerText kIntegerTexts[] = {
    // Where the two differ: the store takes "0x" and tabs and stops short of -2^31.
    { "0X1f", 31, std::nullopt },
    { "0x10", 16, std::nullopt },
    { "\t 12", 12, std::nullopt },
    { "-2147483648", std::nullopt, INT32_MIN },
    { "-000002147483648", std::nullopt, INT32_MIN },
    // Where they agree.
    { "  12", 12, 12 },
    { " 0", 0, 0 },
    { "+5", 5, 5 },
    { "007", 7, 7 },
    { "2147483647", INT32_MAX, INT32_MAX },
    { "-2147483647", -INT32_MAX, -INT32_MAX },
    { " $ff", 255, 255 },
    { "$FFFFFFFF", -1, -1 },
    { "$00000000000A", 10, 10 },
    { "2147483648", std::nullopt, std::nullopt },
    { "-2147483649", std::nullopt, std::nullopt },
    { "99999999999999999999", std::nullopt, std::nullopt },
    { "$100000000", std::nullopt, std::nullopt },
    { "$", std::nullopt, std::nullopt },
    { "-$1", std::nullopt, std::nullopt },
    { "+$1F", std::nullopt, std::nullopt },
    { "$-1", std::nullopt, std::nullopt },
    { "+-1", std::nullopt, std::nullopt },
    { "0x", std::nullopt, std::nullopt },
    { " 0x10", std::nullopt, std::nullopt },
    { "0x-1", std::nullopt, std::nullopt },
    { "12 ", std::nullopt, std::nullopt },
    { "1.5", std::nullopt, std::nullopt },
    { "", std::nullopt, std::nullopt },
    { "yes", std::nullopt, std::nullopt },
    { "\xd9\xa3", std::nullopt, std::nullopt },
};

} // namespace quorvane
