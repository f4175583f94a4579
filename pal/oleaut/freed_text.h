// The watch on freed memory (PalWatchFreedText): the allocators of the platform layer show it each
// block they free.
#pragma once

#include <cstddef>

namespace pal {

// Counts a sighting when `bytes` from `block` hold the watched text; nothing while none is watched.
void CheckFreedBlock(const void* block, size_t bytes) noexcept;

}  // namespace pal
