// A file size limit for the process (RLIMIT_FSIZE) standing in for a full disk in tests.
#pragma once
#include <sys/resource.h>

#include <csignal>

namespace testutil {

// While it lives, no file of this process may grow past `bytes`: writes past it fail as on a full
// disk (the signal that would end the process is ignored).
class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) {
    mOldHandler = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &mOld);
    rlimit lower = mOld;
    lower.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lower);
  }
  ~FileSizeLimit() { Lift(); }
  void Lift() {
    if (mLifted) return;
    mLifted = true;
    setrlimit(RLIMIT_FSIZE, &mOld);
    std::signal(SIGXFSZ, mOldHandler);
  }

private:
  rlimit mOld{};
  void (*mOldHandler)(int) = nullptr;
  bool mLifted = false;
};

}  // namespace testutil
