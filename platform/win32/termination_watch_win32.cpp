#include "platform/termination_watch.h"

namespace platform {

struct TerminationWatch::State {};

TerminationWatch::TerminationWatch(std::function<void()>) {}

TerminationWatch::~TerminationWatch() = default;

}  // namespace platform
