#include "platform/text/Int32Text.h"

#include "platform/text/WholeNumber.h"

namespace quorvane {

std::optional<int32_t> ScanDollarHex32(std::string_view text)
{
    if (text.empty() || text.front() != '$')
        return std::nullopt;
    const std::optional<uint32_t> bits = ParseHex<uint32_t>(text.substr(1));
    if (!bits)
        return std::nullopt;
    return static_cast<int32_t>(*bits);
}

std::optional<int64_t> ScanSignedDecimal32(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || negative))
        text.remove_prefix(1);
    // Unsigned: a second sign after the first is no digit.
    const std::optional<uint64_t> magnitude = ParseDecimal<uint64_t>(text);
    if (!magnitude || *magnitude > uint64_t(INT32_MAX) + 1)
        return std::nullopt;
    return negative ? -int64_t(*magnitude) : int64_t(*magnitude);
}

} // namespace quorvane
