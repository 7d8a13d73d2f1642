#include "platform/snapshot/MappingKey.h"

#include <gtest/gtest.h>

using namespace quorvane;

TEST(MappingKey, takesStartTimeAndSizeAfterTheLastParenthesis)
{
    const std::pair<const char*, std::optional<MappingKey>> cases[] = {
        { "77 (a) (b) S 1 77 77 0 -1 4194560 0 0 0 0 0 0 0 0 20 0 1 0 5555 123456789 100 18\n",
            MappingKey { 5555, 123456789, false } },
        { "9 (cut) S 1 9 9 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 5555", std::nullopt },
        { "no parenthesis", std::nullopt },
    };
    for (const auto& [stat, key] : cases)
        EXPECT_EQ(ParseMappingKey(stat), key) << stat;
}
