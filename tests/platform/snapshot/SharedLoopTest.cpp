#include "platform/snapshot/SharedLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

using namespace quorvane;

// Many loops in a row on one helper, every other one followed by one that fails: a chunk of an
// earlier loop taken late, a loop closed while the helper still works on it, or an error kept
// past its loop would show as an index missed or visited twice. Whichever thread takes the
// failing index, the error comes out of Run (on the helper it would otherwise end the program).
TEST(SharedLoop, visitsEveryIndexOnceAndHandsAnErrorOnEitherThreadToTheCaller)
{
    const std::pair<size_t, size_t> cases[] = { { 0, 64 }, { 1, 64 }, { 63, 64 }, { 64, 64 },
        { 65, 64 }, { 5000, 64 }, { 1000, 1 }, { 7, 0 } }; // count, chunk
    SharedLoop loop;
    for (int round = 0; round < 50; ++round) {
        for (size_t c = 0; c < std::size(cases); ++c) {
            const auto [count, chunk] = cases[c];
            std::vector<int> visits(count, 0);
            loop.Run(count, chunk, [&](size_t from, size_t to, int) {
                for (size_t i = from; i < to; ++i)
                    ++visits[i];
            });
            ASSERT_EQ(std::count(visits.begin(), visits.end(), 1), ptrdiff_t(count))
                << count << " in chunks of " << chunk << ", round " << round;
            if (c % 2 == 1) {
                EXPECT_THROW(loop.Run(5000, 16,
                                 [&](size_t from, size_t to, int) {
                                     if (from <= 4000 && 4000 < to)
                                         throw std::runtime_error("index 4000");
                                 }),
                    std::runtime_error);
            }
        }
    }
}
