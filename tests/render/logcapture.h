// Sends the log into a temporary folder for one test and reads it back.
#pragma once
#include <string>

#include "filetext.h"
#include "core/log.h"
#include "../os/tempfolder.h"

namespace render_test {
class LogCapture {
 public:
  LogCapture() { LogInit(TString(mFolder.Path().c_str())); }
  ~LogCapture() { LogInit(""); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::string Text() const { return testutil::ReadLogText(mFolder.Path()); }

 private:
  testutil::TempFolder mFolder;
};
}  // namespace render_test
