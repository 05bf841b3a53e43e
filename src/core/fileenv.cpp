// Configuration values and log lines of the file layer, over the configuration store and the log.
#include "core/fileenv.h"

#include <cstdarg>
#include <mutex>

#include "core/config.h"
#include "core/log.h"

namespace {
std::mutex gMutex;
std::vector<TString> gLines;
constexpr size_t kKeptLines = 256;
// No configuration value holds this byte, so it tells an absent key from an empty value.
const char kAbsent[] = "\x01";
}  // namespace

TString FileConfigValue(const char* key, bool* present) {
  TString value = GetConfig(key, kAbsent);
  bool found = !(value == kAbsent);
  if (present) *present = found;
  return found ? value : TString();
}

bool FileConfigFlag(const char* key) { return GetSettingFlag(key); }

void FileLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  TString line = TString::VFormat(format, args);
  va_end(args);
  LogPrintf("%s", line.CStr());
  std::lock_guard<std::mutex> lock(gMutex);
  if (gLines.size() >= kKeptLines) gLines.erase(gLines.begin());
  gLines.push_back(line);
}

namespace filetest {
std::vector<TString> TakeLogLines() {
  std::lock_guard<std::mutex> lock(gMutex);
  std::vector<TString> out;
  out.swap(gLines);
  return out;
}
}  // namespace filetest
