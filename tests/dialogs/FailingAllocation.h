#pragma once

#include <cstddef>

namespace quorvane::testing {

// While one is alive, every plain `new` of at least `bytes` in this test program fails with
// std::bad_alloc, as when memory runs out: the program's own growing lists are what ask for such
// blocks.
class FailingAllocation {
public:
    explicit FailingAllocation(size_t bytes);
    ~FailingAllocation();
    FailingAllocation(const FailingAllocation&) = delete;
    FailingAllocation& operator=(const FailingAllocation&) = delete;

    size_t Failed() const;
};

} // namespace quorvane::testing
