// Log writing: one process-wide lock covers formatting, opening, writing and the write position.
// After a wrap the file is cut at the wrap point, so the newest line is never followed by stale ones,
// and an existing file that cannot be opened is skipped rather than recreated (which would empty it).
#include "core/log.h"

#include "os/paths.h"
#include "os/process.h"
#include "os/resultnames.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>

namespace {

// ---- file access of the log ----------------------------------------------------------------------
// The log path is in the framework's Windows form; os::ToLinuxPath maps it into its own buffer, so
// these are safe from any thread (they run under the log lock).

void LogMakeFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directory(os::ToLinuxPath(folder), ec);
}

// The previous session's log becomes the old one (replacing the one before it), so the log of a run
// that crashed is still there after the restart.
void LogKeepPrevious(const std::string& path, const std::string& oldPath) {
  const std::string real = os::ToLinuxPath(path);
  const std::string oldReal = os::ToLinuxPath(oldPath);
  if (std::rename(real.c_str(), oldReal.c_str()) != 0 && errno != ENOENT) std::remove(real.c_str());
}

// A line that cannot reach the file goes to the standard error stream, so it is not lost as well.
void LogToStderr(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

// Opens the file for update; creates it only when it does not exist ("x": never an existing file).
FILE* LogOpenFile(const std::string& path, bool* created) {
  *created = false;
  const std::string real = os::ToLinuxPath(path);
  FILE* f = std::fopen(real.c_str(), "r+");
  if (f || errno != ENOENT) return f;
  f = std::fopen(real.c_str(), "wx");
  *created = f != nullptr;
  return f;
}

void LogTruncateFile(const std::string& path, uint32_t size) {
  std::error_code ec;
  std::filesystem::resize_file(os::ToLinuxPath(path), size, ec);
}

// ---- state --------------------------------------------------------------------------------------

std::mutex gLogLock;
std::string* gLogPath = new std::string;  // never destroyed: threads may log while the process ends
uint32_t gWritePosition = 0;
std::atomic<int32_t> gMemoryCap{0};

}  // namespace

void LogInit(const TString& text) {
  const char* t = text.CStr();
  size_t markerLength = std::strlen(kLogMemoryMaxMarker);
  if (std::strncmp(t, kLogMemoryMaxMarker, markerLength) == 0) {
    // The number follows one separator character; a text that ends before it gives 0.
    size_t len = std::strlen(t);
    gMemoryCap = len > markerLength ? std::atoi(t + markerLength + 1) : 0;
    return;
  }
  std::lock_guard<std::mutex> guard(gLogLock);
  gWritePosition = 0;
  if (!*t) {
    gLogPath->clear();
    return;
  }
  LogMakeFolder(t);
  *gLogPath = std::string(t) + "/" + kLogFileName;
  LogKeepPrevious(*gLogPath, std::string(t) + "/" + kLogOldFileName);
}

void LogVPrintf(const char* format, va_list args) {
  std::lock_guard<std::mutex> guard(gLogLock);
  if (gLogPath->empty()) return;
  TString message = TString::VFormat(format, args);
  std::time_t now = std::time(nullptr);
  const char* stamp = std::ctime(&now);  // static buffer: only used under the lock
  std::string line = stamp ? std::string(stamp, std::strlen(stamp) ? std::strlen(stamp) - 1 : 0) : "";
  line += ": ";
  line += message.CStr();
  line += "\n";

  bool wrap = gWritePosition > kLogWrapAbove;
  if (wrap) LogTruncateFile(*gLogPath, kLogWrapTo);
  bool created = false;
  FILE* f = LogOpenFile(*gLogPath, &created);
  if (!f) {
    LogToStderr(line);
    return;
  }
  if (created) {  // the file was gone: start it again from the top rather than leave a hole
    gWritePosition = 0;
    wrap = false;
  }
  if (wrap) {
    gWritePosition = kLogWrapTo;
    std::fseek(f, long(kLogWrapTo), SEEK_SET);
    std::fputs(kLogWrapBanner, f);
  } else {
    std::fseek(f, long(gWritePosition), SEEK_SET);
  }
  const uint32_t before = gWritePosition;
  bool written = std::fwrite(line.data(), 1, line.size(), f) == line.size();
  long end = std::ftell(f);
  written = std::fflush(f) == 0 && written;
  written = std::fclose(f) == 0 && written;
  if (written && end >= 0) {
    gWritePosition = uint32_t(end);
  } else {
    // A full disk: the next line goes where this one should have, and this one to stderr.
    gWritePosition = before;
    LogTruncateFile(*gLogPath, before);  // no half line left behind
    LogToStderr(line);
  }
}

void LogPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogVPrintf(format, args);
  va_end(args);
}

TString GetLogPath() {
  std::lock_guard<std::mutex> guard(gLogLock);
  return TString(gLogPath->c_str());
}

int32_t GetMemoryCap() { return gMemoryCap; }
namespace {
// The process's resident bytes now and at their highest, each kept within 32 bits.
int32_t MemoryFigure(bool peak) {
  PROCESS_MEMORY_COUNTERS counters{};
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  SIZE_T bytes = peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize;
  return bytes > SIZE_T(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(bytes);
}
}  // namespace

int32_t GetMemoryInUse() { return MemoryFigure(false); }
int32_t GetMemoryPeak() { return MemoryFigure(true); }

void LogDxError(const char* text, HRESULT code, const char* sourceFile, int line) {
  // Without a text of the caller's the line names the result code, where it has a name.
  if (!text || !text[0]) text = os::ResultName(code);
  LogPrintf("DX Error: %s (0x%x), File %s, Line %d", text ? text : "", unsigned(code),
            sourceFile ? sourceFile : "", line);
}

TFailure::~TFailure() = default;

void TFailure::Report(const char* message, int line, const char* sourceFile) {
  LogPrintf("%s(%d): %s", sourceFile ? sourceFile : "", line, message ? message : "");
}

void TFailure::ReportText(const char* text) { LogPrintf("%s", text ? text : ""); }
