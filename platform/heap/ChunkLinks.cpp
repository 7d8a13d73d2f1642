#include "platform/heap/ChunkLinks.h"

#include <algorithm>
#include <bit>

namespace quorvane {

namespace {
#if defined(__x86_64__) && !defined(__POPCNT__)
    // The build may not assume the instruction that counts bits, and without it the count is a
    // library call: take the instruction where the processor has it.
    [[gnu::target("popcnt")]] uint64_t CountBitsByInstruction(uint64_t bits)
    {
        return uint64_t(__builtin_popcountll(bits));
    }

    const bool HaveCountInstruction = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("popcnt") != 0;
    }();

    uint64_t CountBits(uint64_t bits)
    {
        return HaveCountInstruction ? CountBitsByInstruction(bits) : uint64_t(std::popcount(bits));
    }
#else
    uint64_t CountBits(uint64_t bits)
    {
        return uint64_t(std::popcount(bits));
    }
#endif
}

void ChunkLinks::AddApart(uint64_t chunk, uint64_t value)
{
    if (chunk % Granule != 0)
        return;
    if (!FPending.empty() || (!FStretches.empty() && chunk <= FLast)) {
        FPending.emplace_back(chunk, value);
        return;
    }
    if (!FStretches.empty())
        FStretches.back().to = FLast;
    FStretches.push_back({ chunk, chunk, FWords.size() });
    Append(chunk, value);
}

void ChunkLinks::Seal()
{
    if (!FStretches.empty())
        FStretches.back().to = FLast;
    FLastStretch = 0;
    if (FPending.empty())
        return;
    // Out of order: everything again, sorted. A chunk named twice (heaps that overlap) keeps
    // the entry that sorts first.
    std::vector<std::pair<uint64_t, uint64_t>> entries = std::move(FPending);
    for (size_t s = 0; s < FStretches.size(); ++s) {
        const size_t wordsEnd
            = s + 1 < FStretches.size() ? FStretches[s + 1].firstWord : FWords.size();
        for (size_t w = FStretches[s].firstWord; w < wordsEnd; ++w) {
            size_t index = size_t(FWords[w].before);
            for (uint64_t bits = FWords[w].bits; bits != 0; bits &= bits - 1) {
                const uint64_t granule
                    = (w - FStretches[s].firstWord) * 64 + uint64_t(__builtin_ctzll(bits));
                entries.emplace_back(FStretches[s].from + granule * Granule, FValues[index++]);
            }
        }
    }
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end(),
                      [](const auto& a, const auto& b) { return a.first == b.first; }),
        entries.end());
    Clear();
    for (const auto& [chunk, value] : entries)
        Add(chunk, value % 16 * 16, value & ~uint64_t(15));
    Seal();
}

// Lists mostly stay in one stretch: the last one is tried first.
const ChunkLinks::Stretch* ChunkLinks::StretchHolding(uint64_t chunk)
{
    if (FLastStretch < FStretches.size()) {
        const Stretch& last = FStretches[FLastStretch];
        if (chunk >= last.from && chunk <= last.to)
            return &last;
    }
    const auto after = std::upper_bound(FStretches.begin(), FStretches.end(), chunk,
        [](uint64_t wanted, const Stretch& stretch) { return wanted < stretch.from; });
    if (after == FStretches.begin() || chunk > std::prev(after)->to)
        return nullptr;
    FLastStretch = size_t(after - FStretches.begin()) - 1;
    return &*std::prev(after);
}

std::optional<ChunkLinks::Link> ChunkLinks::Find(uint64_t chunk)
{
    const Stretch* stretch = StretchHolding(chunk);
    if (!stretch || chunk % Granule != 0)
        return std::nullopt;
    const uint64_t granule = (chunk - stretch->from) / Granule;
    const Word& word = FWords[stretch->firstWord + size_t(granule / 64)];
    const uint64_t bit = uint64_t(1) << (granule % 64);
    if ((word.bits & bit) == 0)
        return std::nullopt;
    const uint64_t value = FValues[size_t(word.before + CountBits(word.bits & (bit - 1)))];
    return Link { (value & 15) * 16, value & ~uint64_t(15) };
}

void ChunkLinks::Clear()
{
    FValues.clear();
    FStretches.clear();
    FWords.clear();
    FPending.clear();
    FLast = UINT64_MAX;
    FLastStretch = 0;
}

size_t ChunkLinks::Capacity() const
{
    return FValues.capacity() * sizeof(FValues[0]) + FStretches.capacity() * sizeof(Stretch)
        + FWords.capacity() * sizeof(Word) + FPending.capacity() * sizeof(FPending[0]);
}

} // namespace quorvane
