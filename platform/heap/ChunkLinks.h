#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace quorvane {

// What the heap stream saw of the small chunks that may sit in a fastbin: each one's size and
// the link its first word would be as a free-list pointer. Following a fastbin then needs no
// second read of the heap. A chunk is found in a few steps without a search, whatever order a
// list takes: a bit per 16 bytes of each stretch of the heap says where an entry's chunk starts,
// and a count beside every 64 bits says which entry it is.
class ChunkLinks {
public:
    struct Link {
        uint64_t size = 0;
        uint64_t next = 0;
    };

    // Chunks 16-byte aligned (no other is kept) and best in address order, as the heap gives
    // them: others are sorted in by Seal. Sizes up to 240, links 16-byte aligned.
    void Add(uint64_t chunk, uint64_t size, uint64_t next)
    {
        const uint64_t value = next | (size / 16 & 15);
        if (chunk > FLast && chunk - FLast < StretchGap && chunk % Granule == 0
            && FPending.empty()) {
            Append(chunk, value);
            return;
        }
        AddApart(chunk, value);
    }
    // Call once everything is added.
    void Seal();
    std::optional<Link> Find(uint64_t chunk);
    size_t Size() const { return FValues.size(); }
    // Empty again; the storage stays for the next walk.
    void Clear();
    size_t Capacity() const;

private:
    // Entries closer than this share a stretch; a wider gap starts a new one, so that the bits
    // cost at most a few words an entry however the chunks are spread.
    static constexpr uint64_t StretchGap = 4096;
    static constexpr uint64_t Granule = 16;

    struct Stretch {
        uint64_t from = 0; // the first entry's chunk
        uint64_t to = 0; // the last entry's chunk
        size_t firstWord = 0;
    };
    struct Word {
        uint64_t bits = 0; // one per 16 bytes from the stretch's start: an entry's chunk is there
        uint64_t before = 0; // entries in the words before this one
    };

    // The chunk after the last one, in the last stretch.
    void Append(uint64_t chunk, uint64_t value)
    {
        const uint64_t granule = (chunk - FStretches.back().from) / Granule;
        const size_t word = FStretches.back().firstWord + size_t(granule / 64);
        while (FWords.size() <= word)
            FWords.push_back({ 0, FValues.size() });
        FWords[word].bits |= uint64_t(1) << (granule % 64);
        FValues.push_back(value);
        FLast = chunk;
    }
    void AddApart(uint64_t chunk, uint64_t value);
    const Stretch* StretchHolding(uint64_t chunk);

    std::vector<uint64_t> FValues; // next | size / 16, in address order
    std::vector<Stretch> FStretches;
    std::vector<Word> FWords;
    // Chunks that came out of order: chunk, value.
    std::vector<std::pair<uint64_t, uint64_t>> FPending;
    // The last chunk appended; with no stretch yet, a value no chunk can follow closely.
    uint64_t FLast = UINT64_MAX;
    size_t FLastStretch = 0;
};

} // namespace quorvane
