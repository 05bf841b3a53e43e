// What the file layer needs from the rest of the platform: the configuration values it reads at
// start-up ("firstpeek", "activex", "publisher") and the log for its few messages. Kept behind these
// two functions so the file, pack and XML code does not depend on how those services are set up.
#pragma once
#include <vector>

#include "core/string.h"

// Value of a start-up configuration key; empty when absent. `present` (optional) tells the two apart.
TString FileConfigValue(const char* key, bool* present = nullptr);
// Logs one line of the file layer (printf-style).
void FileLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

namespace filetest {
// Test control: set (or, with a null value, remove) a configuration value the file layer reads.
void SetConfigValue(const char* key, const char* value);
// Lines the file layer has logged since the last call; clears them.
std::vector<TString> TakeLogLines();
}  // namespace filetest
