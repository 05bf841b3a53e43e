// Test fixture for the image codecs and meshes: a temporary folder that is the current folder and
// the player's folder ("user:"), and a log file the tests can read.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filetext.h"
#include "core/assetindex.h"
#include "core/log.h"
#include "assetwriters.h"
#include "os/paths.h"
#include "os/tempfolder.h"

class ImageTest : public testing::Test {
 protected:
  ImageTest() : mCwd(mTemp.Path()) {
    filetest::ResetFileSystem();
    LogInit((mTemp / "log").c_str());
    // Images are read and written as "user:name", the player's folder being the temporary one.
    SetFileRoots(os::ToWindowsPath(mTemp.Path()).c_str(), TString(), TString());
  }
  ~ImageTest() override {
    LogInit("");
    filetest::ResetFileSystem();
  }

  std::string Log() const { return testutil::ReadLogText(mTemp / "log"); }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }

  std::string ReadFile(const std::string& rel) const { return testutil::ReadFileText(mTemp / rel); }
  void WriteFile(const std::string& rel, const std::string& bytes) { mTemp.Write(rel, bytes); }

  testutil::TempFolder mTemp;
  testutil::ScopedCwd mCwd;
};

