#pragma once

#include <cstdint>
#include <vector>

namespace quorvane {

class ChunkLinks;
class ChunkMarks;
class MallocArenas;
class RemoteMemory;

// The chunks that malloc holds free while their neighbours still see them in use: those on the
// threads' tcache lists and in the fastbins of the given arena. A tcache is accepted only when
// every list of it checks out (each entry a chunk of its bin's size inside a heap, sharing the
// process's tcache key, the list as long as its count); a fastbin list is followed while its
// chunks check out. links: what the heap stream saw of small chunks of that arena, so that
// fastbins are followed without reading the heap again; chunks it lacks are read. Each chunk
// found is marked in marks.
void FindCachedFreeChunks(const RemoteMemory& memory, const MallocArenas& arenas, uint64_t arena,
    const std::vector<uint64_t>& tcacheCandidates, ChunkLinks& links, ChunkMarks& marks);

} // namespace quorvane
