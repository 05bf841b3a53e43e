// Configuration values and log lines of the file layer. Until the configuration store and the log
// exist, values come from a small table that tests (and the start-up) fill, and lines go to stderr
// and to a short in-memory record that tests read.
#include "core/fileenv.h"

#include <cstdarg>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

namespace {
std::mutex gMutex;
std::map<std::string, std::string> gConfig;
std::vector<TString> gLines;
constexpr size_t kKeptLines = 256;
}  // namespace

TString FileConfigValue(const char* key, bool* present) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gConfig.find(key);
  if (present) *present = it != gConfig.end();
  return it == gConfig.end() ? TString() : TString(it->second.c_str());
}

void FileLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  TString line = TString::VFormat(format, args);
  va_end(args);
  std::fprintf(stderr, "%s\n", line.CStr());
  std::lock_guard<std::mutex> lock(gMutex);
  if (gLines.size() >= kKeptLines) gLines.erase(gLines.begin());
  gLines.push_back(line);
}

namespace filetest {
void SetConfigValue(const char* key, const char* value) {
  std::lock_guard<std::mutex> lock(gMutex);
  if (value)
    gConfig[key] = value;
  else
    gConfig.erase(key);
}

std::vector<TString> TakeLogLines() {
  std::lock_guard<std::mutex> lock(gMutex);
  std::vector<TString> out;
  out.swap(gLines);
  return out;
}
}  // namespace filetest
