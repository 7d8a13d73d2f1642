#pragma once

#include <stdexcept>

namespace quorvane {

// A heap walk met a chunk that cannot be: the heap is damaged, or changed under the reader.
class HeapWalkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace quorvane
