#pragma once

#include <cstddef> // a standard header first: it brings __GLIBC__ along where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vinculor {

// Blocks of a megabyte and more go back to the system as soon as they are
// freed. A large school's import holds its large tables one after
// another (the school's names, the look-up tables, the timetable's entries
// and grids); the C library would otherwise keep each freed one for later,
// and the process would hold the largest of them all at once. Windows's heap
// returns such blocks by itself.
inline void releaseLargeBlocksWhenFreed() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
}

} // namespace vinculor
