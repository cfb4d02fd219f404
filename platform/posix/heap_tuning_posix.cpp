#include "platform/heap_tuning.h"

#include <malloc.h>

namespace platform {

void keepFreedMemory() {
    // Blocks up to 32 MB (glibc's largest setting; a frame of a 4K video
    // takes 12 MB) come from the heap rather than from mappings of their
    // own, which are unmapped when freed; and the heap's free top is given
    // back only beyond 256 MB.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
}

void releaseFreedMemory() {
    malloc_trim(0);
}

}  // namespace platform
