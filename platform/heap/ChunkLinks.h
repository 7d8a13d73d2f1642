#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace quorvane {

// What the heap stream saw of the small chunks that may sit in a fastbin: each one's size and
// the link its first word would be as a free-list pointer. Following a fastbin then needs no
// second read of the heap. Lookups start from the last one found, since a list mostly walks
// through neighbouring chunks.
class ChunkLinks {
public:
    struct Link {
        uint64_t size = 0;
        uint64_t next = 0;
    };

    // In address order within each heap; sizes up to 240, links 16-byte aligned.
    void Add(uint64_t chunk, uint64_t size, uint64_t next)
    {
        FSorted = FSorted && (FEntries.empty() || FEntries.back().first < chunk);
        FEntries.emplace_back(chunk, next | (size / 16 & 15));
    }
    // Call once everything is added.
    void Seal();
    std::optional<Link> Find(uint64_t chunk);
    size_t Size() const { return FEntries.size(); }
    // Empty again; the storage stays for the next walk.
    void Clear()
    {
        FEntries.clear();
        FFinger = 0;
        FSorted = true;
    }
    size_t Capacity() const { return FEntries.capacity() * sizeof(FEntries[0]); }

private:
    static constexpr size_t NearSteps = 8;

    // Where chunk is or would be, looked for from finger.
    size_t LowerBound(uint64_t chunk, size_t finger) const;

    std::vector<std::pair<uint64_t, uint64_t>> FEntries; // chunk, next | size / 16
    size_t FFinger = 0;
    bool FSorted = true;
};

} // namespace quorvane
