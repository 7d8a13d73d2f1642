#pragma once
// The scanning that the program's two grammars of stored 32-bit integers share. Each grammar
// says for itself which blanks lead, whether "0x" stands for "$", and which range a decimal has.

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvane {

// "$" and one or more hexadecimal digits of either case whose value fits in 32 bits, the whole of
// text: the bit pattern of the signed result, so "$FFFFFFFF" is -1.
std::optional<int32_t> ScanDollarHex32(std::string_view text);

// An optional "+" or "-" and one or more decimal digits, the whole of text, with a magnitude of at
// most 2^31. Leading zeros are allowed: the value counts, not the number of digits.
std::optional<int64_t> ScanSignedDecimal32(std::string_view text);

} // namespace quorvane
