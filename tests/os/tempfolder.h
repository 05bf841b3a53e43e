// A unique temporary folder for one test, removed with everything in it when the test ends.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace testutil {
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tm_test_XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    mPath = made ? made : "";
  }
  ~TempFolder() {
    std::error_code ec;
    // Read-only files and folders made by a test must not stop the clean-up.
    for (auto& e : std::filesystem::recursive_directory_iterator(mPath, ec))
      std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(mPath, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return mPath; }
  std::string operator/(const std::string& rel) const { return mPath + "/" + rel; }

  // Writes a file below the folder, creating the folders on the way.
  std::string Write(const std::string& rel, const std::string& bytes) const {
    std::filesystem::path p = std::filesystem::path(mPath) / rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }

 private:
  std::string mPath;
};

// Sets an environment variable for the life of the object, restoring the old value after.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : mName(name) {
    const char* old = std::getenv(name);
    mHad = old != nullptr;
    if (old) mOld = old;
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~ScopedEnv() {
    if (mHad) setenv(mName.c_str(), mOld.c_str(), 1);
    else unsetenv(mName.c_str());
  }

 private:
  std::string mName, mOld;
  bool mHad = false;
};

// Runs in a given current folder for the life of the object.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::string& path) : mOld(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~ScopedCwd() {
    std::error_code ec;
    std::filesystem::current_path(mOld, ec);
  }

 private:
  std::filesystem::path mOld;
};
}  // namespace testutil
