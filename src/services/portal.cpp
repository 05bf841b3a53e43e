// Portal flags (see portal.h).
#include "services/portal.h"

#include <atomic>

namespace {
std::atomic<bool> gZylom{false};
}

bool PortalIsZylom() { return gZylom; }
void SetPortalZylom(bool active) { gZylom = active; }
