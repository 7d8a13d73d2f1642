#pragma once

#include <cstdint>
#include <vector>

namespace quorvane {

// A mark for each chunk of one stretch of a heap that has been found held free: one bit per 16
// bytes, so that marking and asking take no search. Marks outside the stretch are not kept.
class ChunkMarks {
public:
    // Every mark cleared, covering from up to to; the storage stays from before.
    void Reset(uint64_t from, uint64_t to)
    {
        FFrom = from;
        FTo = to > from ? to : from;
        FBits.assign(size_t((FTo - FFrom) / 16 / 64 + 1), 0);
    }
    void Mark(uint64_t chunk)
    {
        if (chunk >= FFrom && chunk < FTo) {
            const uint64_t granule = (chunk - FFrom) / 16;
            FBits[size_t(granule / 64)] |= uint64_t(1) << (granule % 64);
        }
    }
    bool Marked(uint64_t chunk) const
    {
        if (chunk < FFrom || chunk >= FTo)
            return false;
        const uint64_t granule = (chunk - FFrom) / 16;
        return (FBits[size_t(granule / 64)] >> (granule % 64)) & 1;
    }
    // The bits, the first for the 16 bytes at From(), for a reader that keeps its own place.
    const uint64_t* Bits() const { return FBits.data(); }
    uint64_t From() const { return FFrom; }
    size_t Capacity() const { return FBits.capacity() * sizeof(uint64_t); }
    void Clear() { Reset(0, 0); }

private:
    uint64_t FFrom = 0;
    uint64_t FTo = 0;
    std::vector<uint64_t> FBits = { 0 };
};

} // namespace quorvane
