#include "platform/heap_tuning.h"

namespace platform {

void keepFreedMemory() {}

void releaseFreedMemory() {}

}  // namespace platform
