// Test fixture for the file layer: a fresh temporary folder as the current folder, an empty asset
// index and pack table, and no configuration values the file layer reads.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/assetindex.h"
#include "core/config.h"
#include "core/fileenv.h"
#include "core/packfile.h"
#include "os/paths.h"
#include "os/tempfolder.h"

class FileLayerTest : public testing::Test {
protected:
  FileLayerTest() : mCwd(mTemp.Path()) {
    filetest::ResetFileSystem();
    ClearConfig();
    filetest::TakeLogLines();
  }
  ~FileLayerTest() override {
    filetest::ResetFileSystem();
    ClearConfig();
  }

  std::string Write(const std::string& rel, const std::string& bytes) { return mTemp.Write(rel, bytes); }
  void WritePack(const std::string& rel, const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<uint8_t> image = BuildPackImage(entries);
    Write(rel, std::string(image.begin(), image.end()));
  }
  // A folder below the temporary one, in the Windows view with a trailing "\" (as roots are set).
  TString Root(const std::string& rel) {
    std::filesystem::create_directories(mTemp / rel);
    return TString((os::ToWindowsPath(mTemp / rel) + "\\").c_str());
  }
  std::string Linux(const TString& located) { return located.IsEmpty() ? "" : os::ToLinuxPath(located.CStr()); }
  bool LogHas(const std::vector<TString>& lines, const char* text) {
    for (auto& l : lines)
      if (std::string(l.CStr()).find(text) != std::string::npos) return true;
    return false;
  }

  testutil::TempFolder mTemp;
  testutil::ScopedCwd mCwd;
};
