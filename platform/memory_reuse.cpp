#include "platform/memory_reuse.h"

#include <malloc.h>

namespace varnelo {

void keepFreedMemoryForReuse() {
    constexpr int kKeptBytes = 64 << 20;
    mallopt(M_TRIM_THRESHOLD, kKeptBytes);
    // Blocks below this come from the heap, whose freed memory is kept,
    // rather than from mappings of their own that each free unmaps.
    mallopt(M_MMAP_THRESHOLD, kKeptBytes);
}

} // namespace varnelo
