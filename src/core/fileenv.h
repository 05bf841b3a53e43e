// What the file layer needs from the rest of the platform: the configuration values it reads at
// start-up ("firstpeek", "activex", "publisher") and the log for its few messages. The log lines
// are also kept briefly in memory, so that tests can see what a damaged pack or file reported.
#pragma once
#include <vector>

#include "core/string.h"

// Value of a configuration key; empty when absent. `present` (optional) tells the two apart.
TString FileConfigValue(const char* key, bool* present = nullptr);
// True when the configuration key is on (its number is not 0).
bool FileConfigFlag(const char* key);
// Logs one line of the file layer (printf-style).
void FileLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

namespace filetest {
// Lines the file layer has logged since the last call; clears them.
std::vector<TString> TakeLogLines();
}  // namespace filetest
