#include "platform/snapshot/SharedLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

using namespace quorvane;

TEST(SharedLoop, visitsEveryIndexOnceAndReturnsOnlyWhenAllIsDone)
{
    // Many loops in a row on one helper: a chunk of an earlier loop taken late, or a loop closed
    // while the helper still works on it, would show as an index missed or visited twice.
    struct Case {
        size_t Count;
        size_t Chunk;
    };
    const Case cases[] = { { 0, 64 }, { 1, 64 }, { 63, 64 }, { 64, 64 }, { 65, 64 }, { 5000, 64 },
        { 1000, 1 }, { 7, 0 } };
    SharedLoop loop;
    for (int round = 0; round < 50; ++round) {
        for (const Case& c : cases) {
            std::vector<int> visits(c.Count, 0);
            bool helped = false;
            loop.Run(c.Count, c.Chunk, [&](size_t from, size_t to, int worker) {
                for (size_t i = from; i < to; ++i)
                    ++visits[i];
                if (worker == 1)
                    helped = true;
            });
            for (size_t i = 0; i < c.Count; ++i)
                ASSERT_EQ(visits[i], 1) << "index " << i << " of " << c.Count << ", chunk "
                                        << c.Chunk << ", round " << round << ", helped " << helped;
        }
    }
}

TEST(SharedLoop, anErrorOnEitherThreadReachesTheCallerAndTheLoopRunsAgain)
{
    // Whichever thread takes the failing index: the error comes out of Run (on the helper it
    // would otherwise end the program) and the next loop is whole.
    SharedLoop loop;
    for (int round = 0; round < 50; ++round) {
        EXPECT_THROW(loop.Run(5000, 16,
                         [&](size_t from, size_t to, int) {
                             if (from <= 4000 && 4000 < to)
                                 throw std::runtime_error("index 4000");
                         }),
            std::runtime_error);
        std::vector<int> visits(300, 0);
        loop.Run(visits.size(), 8, [&](size_t from, size_t to, int) {
            for (size_t i = from; i < to; ++i)
                ++visits[i];
        });
        EXPECT_EQ(std::count(visits.begin(), visits.end(), 1), 300);
    }
}
