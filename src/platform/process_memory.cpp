#include "platform/process_memory.hpp"

#include <malloc.h>

namespace torvane {

void ReturnLargeBlocksWhenFreed() {
#ifdef M_MMAP_THRESHOLD
    // A fixed threshold also turns off the C library's raising of it after
    // each free: blocks of 1 MiB and more are always mapped on their own.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

}  // namespace torvane
