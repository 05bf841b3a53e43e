// The kernel object behind a file handle of the stand-in: an open file descriptor. Shared between
// the file calls and the mapping calls, which keep the file open while a mapping of it exists.
#pragma once
#include <unistd.h>

#include "os/handles.h"

namespace os {
struct FileObject : HandleObject {
  explicit FileObject(int descriptor) : fd(descriptor) {}
  ~FileObject() override {
    if (fd >= 0) close(fd);
  }
  int fd;
};
}  // namespace os
