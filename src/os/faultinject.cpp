// Registry of injected failures for the stand-in's calls.
#include "os/faultinject.h"

#include <map>
#include <mutex>
#include <string>

#include "os/lasterror.h"

namespace {
struct Pending {
  DWORD error;
  int count;
};
std::mutex gMutex;
std::map<std::string, Pending> gPending;
}  // namespace

namespace os {
void TestFailCall(const char* function, DWORD error, int count) {
  std::lock_guard<std::mutex> lock(gMutex);
  if (count <= 0)
    gPending.erase(function);
  else
    gPending[function] = Pending{error, count};
}

void TestClearFailures() {
  std::lock_guard<std::mutex> lock(gMutex);
  gPending.clear();
}

bool ShouldFail(const char* function) {
  std::lock_guard<std::mutex> lock(gMutex);
  if (gPending.empty()) return false;
  auto it = gPending.find(function);
  if (it == gPending.end()) return false;
  SetLastError(it->second.error);
  if (--it->second.count == 0) gPending.erase(it);
  return true;
}
}  // namespace os
