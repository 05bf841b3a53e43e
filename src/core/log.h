// The log file "logfile.txt" in the player's data folder, and the failure reporter that assertion
// sites use. Every line is written by opening, writing and closing the file, so the log survives a
// crash; past 100 KiB it wraps to its middle after a banner. The previous session's log is kept as
// "logfile.old.txt". A line the file cannot take goes to stderr. Safe to call from any thread.
#pragma once
#include <cstdarg>
#include <cstdint>

#include "core/string.h"
#include "os/win32types.h"

inline constexpr uint32_t kLogWrapAbove = 102400;  // a write position above this wraps
inline constexpr uint32_t kLogWrapTo = 51200;      // where the wrapped log goes on
inline constexpr const char kLogWrapBanner[] =
    "\n\n\n\n ****************** LOG WRAP AROUND ******************\n\n\n\n";
inline constexpr const char kLogMemoryMaxMarker[] = "__MEMORYMAX__";
inline constexpr const char kLogFileName[] = "logfile.txt";
inline constexpr const char kLogOldFileName[] = "logfile.old.txt";

// A folder: starts a new, empty log "logfile.txt" in it (creating the folder, one level), keeping
// the previous one as "logfile.old.txt" (one generation: the one before that goes). Text
// beginning with "__MEMORYMAX__" and a separator sets the memory cap from the number after it
// instead and leaves the log alone. An empty text turns logging off.
void LogInit(const TString& text);
// Appends one line: the local time as ctime writes it (without its newline), ": ", the message and
// a newline. Nothing is written while logging is off; a line the file cannot take (it cannot be
// opened, or the disk is full) is written to stderr instead.
void LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogVPrintf(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
// The log file's path; empty while logging is off.
TString GetLogPath();

// The memory cap set through the marker text (nothing enforces it).
int32_t GetMemoryCap();
// The process's memory in use and its peak, in bytes (at most INT32_MAX; 0 when unknown), as the
// debug overlay shows them.
int32_t GetMemoryInUse();
int32_t GetMemoryPeak();

// Logs a failed DirectX call as "DX Error: %s (0x%x), File %s, Line %d"; an empty text is replaced
// by the result code's name ("DSERR_NODRIVER") when it has one.
void LogDxError(const char* text, HRESULT code, const char* sourceFile, int line);

// Sends failure lines to the log: "file(line): message", or a text as it is.
class TFailure {
public:
  virtual ~TFailure();
  virtual void Report(const char* message, int line, const char* sourceFile);
  virtual void ReportText(const char* text);
};
