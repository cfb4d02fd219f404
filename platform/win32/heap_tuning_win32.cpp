#include "platform/heap_tuning.h"

namespace platform {

void keepFreedMemory() {}

}  // namespace platform
