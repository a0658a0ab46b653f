#pragma once

namespace vinculor {

// Asks the processor to bring the memory at `p` near before it is read: for
// a walk that will read, out of order, through more memory than the caches
// hold, and knows a few steps ahead where.
inline void prefetch(const void* p) {
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

} // namespace vinculor
