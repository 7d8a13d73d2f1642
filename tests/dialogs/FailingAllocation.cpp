#include "tests/dialogs/FailingAllocation.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

// The program's plain allocation functions, replaced as a whole (malloc and free beneath, as the
// library's own), so that a sanitizer sees every block freed as it was made.

namespace {
std::atomic<size_t> failFrom { SIZE_MAX };
std::atomic<size_t> failed { 0 };

void* Allocate(size_t bytes)
{
    if (bytes >= failFrom.load(std::memory_order_relaxed)) {
        failed.fetch_add(1, std::memory_order_relaxed);
        return nullptr;
    }
    return std::malloc(bytes == 0 ? 1 : bytes);
}

void* AllocateOrThrow(size_t bytes)
{
    if (void* block = Allocate(bytes))
        return block;
    throw std::bad_alloc();
}
}

void* operator new(size_t bytes)
{
    return AllocateOrThrow(bytes);
}
void* operator new[](size_t bytes)
{
    return AllocateOrThrow(bytes);
}
void* operator new(size_t bytes, const std::nothrow_t&) noexcept
{
    return Allocate(bytes);
}
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept
{
    return Allocate(bytes);
}
void operator delete(void* block) noexcept
{
    std::free(block);
}
void operator delete[](void* block) noexcept
{
    std::free(block);
}
void operator delete(void* block, size_t) noexcept
{
    std::free(block);
}
void operator delete[](void* block, size_t) noexcept
{
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}

namespace quorvane::testing {

FailingAllocation::FailingAllocation(size_t bytes)
{
    failed = 0;
    failFrom = bytes;
}

FailingAllocation::~FailingAllocation()
{
    failFrom = SIZE_MAX;
}

size_t FailingAllocation::Failed() const
{
    return failed;
}

} // namespace quorvane::testing
