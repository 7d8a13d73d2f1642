#include "platform/text/Int32Text.h"

#include <cstdint>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

TEST(Int32Text, scansDollarHexAsBitsAndSignedDecimalsUpToTwoToTheThirtyFirst)
{
    struct Case {
        std::string_view Text;
        std::optional<int32_t> Hex;
        std::optional<int64_t> Decimal;
    };
    const Case cases[] = {
        { "$1f", 31, std::nullopt },
        { "$FFFFFFFF", -1, std::nullopt },
        { "$000000000001", 1, std::nullopt }, // the value counts, not the digits
        { "$100000000", std::nullopt, std::nullopt },
        { "$", std::nullopt, std::nullopt },
        { "$-1", std::nullopt, std::nullopt },
        { "-$1", std::nullopt, std::nullopt },
        { "12", std::nullopt, 12 },
        { "+12", std::nullopt, 12 },
        { "-0", std::nullopt, 0 },
        { "2147483648", std::nullopt, 2147483648 },
        { "-2147483648", std::nullopt, -2147483648 },
        { "2147483649", std::nullopt, std::nullopt },
        { "-000000000002147483648", std::nullopt, -2147483648 },
        { "+-1", std::nullopt, std::nullopt },
        { "--1", std::nullopt, std::nullopt },
        { "-", std::nullopt, std::nullopt },
        { " 1", std::nullopt, std::nullopt },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScanDollarHex32(c.Text), c.Hex) << c.Text;
        EXPECT_EQ(ScanSignedDecimal32(c.Text), c.Decimal) << c.Text;
    }
}

} // namespace
