// Keeps the process command line and answers the substring tests made on it.
#include "core/commandline.h"

#include <cstring>
#include <mutex>
#include <string>

namespace {
std::mutex gLock;
std::string* gCommandLine = new std::string;  // never destroyed: read until the process ends
}  // namespace

void SetProcessCommandLine(const char* commandLine) {
  std::lock_guard<std::mutex> guard(gLock);
  gCommandLine->assign(commandLine ? commandLine : "");
}

// The kept text changes only at start-up (and through the test harness before anything reads it),
// so the pointer stays valid for the readers that follow.
const char* GetProcessCommandLine() {
  std::lock_guard<std::mutex> guard(gLock);
  return gCommandLine->c_str();
}

bool CommandLineHas(const char* text) { return CommandLineAfter(text) != nullptr; }

const char* CommandLineAfter(const char* text) {
  if (!text) return nullptr;
  const char* line = GetProcessCommandLine();
  const char* at = std::strstr(line, text);
  return at ? at + std::strlen(text) : nullptr;
}

TString CommandLineValue(const char* text) {
  const char* p = CommandLineAfter(text);
  if (!p) return TString();
  if (*p == '"') {
    ++p;
    const char* end = std::strchr(p, '"');
    return end ? TString(p, end - p) : TString(p);
  }
  const char* end = std::strchr(p, ' ');
  return end ? TString(p, end - p) : TString(p);
}

bool CommandLineHexValue(const char* text, uint32_t* value) {
  const char* p = CommandLineAfter(text);
  if (!p || !value) return false;
  while (*p == ' ' || *p == '\t') ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) p += 2;
  uint64_t v = 0;
  int digits = 0;
  for (;; ++p, ++digits) {
    int d;
    if (*p >= '0' && *p <= '9') d = *p - '0';
    else if (*p >= 'a' && *p <= 'f') d = *p - 'a' + 10;
    else if (*p >= 'A' && *p <= 'F') d = *p - 'A' + 10;
    else break;
    v = v * 16 + uint64_t(d);
    if (v > 0xFFFFFFFFu) return false;
  }
  if (digits == 0) return false;
  *value = uint32_t(v);
  return true;
}
