#include "platform/text/WholeNumber.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

using namespace quorvane;

namespace {

TEST(WholeNumber, takesOnlyDigitsThatMakeUpTheWholeFieldAndFit)
{
    struct Case {
        std::string_view Text;
        std::optional<uint32_t> Decimal, Hex;
        std::optional<int8_t> SignedByte;
    };
    const Case cases[] = {
        { "0", 0, 0, 0 },
        { "0012", 12, 0x12, 12 },
        { "4294967295", 4294967295u, std::nullopt, std::nullopt },
        { "4294967296", std::nullopt, std::nullopt, std::nullopt },
        { "ffFFffFF", std::nullopt, 0xFFFFFFFF, std::nullopt },
        { "-128", std::nullopt, std::nullopt, -128 },
        { "-129", std::nullopt, std::nullopt, std::nullopt },
        { "", std::nullopt, std::nullopt, std::nullopt },
        { "+1", std::nullopt, std::nullopt, std::nullopt },
        { " 1", std::nullopt, std::nullopt, std::nullopt },
        { "1 ", std::nullopt, std::nullopt, std::nullopt },
        { "0x1", std::nullopt, std::nullopt, std::nullopt },
        { "1g", std::nullopt, std::nullopt, std::nullopt },
        { std::string_view("1\0", 2), std::nullopt, std::nullopt, std::nullopt },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDecimal<uint32_t>(c.Text), c.Decimal) << c.Text;
        EXPECT_EQ(ParseHex<uint32_t>(c.Text), c.Hex) << c.Text;
        EXPECT_EQ(ParseDecimal<int8_t>(c.Text), c.SignedByte) << c.Text;
    }
}

} // namespace
