// Display restore entry (see platformdata.h).
#include "render/platformdata.h"

#include <atomic>

namespace {
std::atomic<int> gRestores{0};
}

void TPlatformData::Restore() { ++gRestores; }
int TPlatformData::RestoreCount() { return gRestores; }
