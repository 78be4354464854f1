#pragma once
// Where the game's memory goes, by kind: bytes kept as the platform layer makes and frees
// each thing (see TMemoryTally), cheap enough to stay on. The benchmarks print them.
#include <atomic>
#include <cstdint>

struct TMemoryCounters {
    std::atomic<int64_t> textures{0};     // OpenGL textures the game made (the driver's copies)
    std::atomic<int64_t> texelCopies{0};  // CPU copies of texels kept for filtering
    std::atomic<int64_t> pixmaps{0};      // decoded pictures the images keep
    std::atomic<int64_t> sounds{0};       // sounds and music: decoded frames or kept Ogg bytes
    std::atomic<int64_t> backdrop{0};     // the composed background picture
};

TMemoryCounters& MemoryCounters();

// Hands memory freed since start-up (decoding buffers, files read whole) back to the system:
// the allocator would otherwise keep it for the process.
void ReleaseFreedMemory();
