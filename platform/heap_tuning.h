#pragma once

namespace platform {

// Lets the heap keep the memory that is freed, for the next allocation,
// instead of giving it back to the system at once. Each still's decoders
// allocate and zero megabytes of frame buffers and free them when the still
// is done; given back, every page of them faults in again for the next
// still. The process then stays at its peak heap size. Safe to call more
// than once. POSIX (glibc): raises the trim and mmap thresholds. Windows:
// nothing; its heap keeps freed blocks itself.
void keepFreedMemory();

// Gives the memory the heap kept back to the system, once the work that
// reused it is over. POSIX (glibc): trims every arena. Windows: nothing.
void releaseFreedMemory();

}  // namespace platform
