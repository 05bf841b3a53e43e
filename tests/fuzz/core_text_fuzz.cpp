// Fuzz target for text handling of the platform core: the command line ("options=" pairs, switch
// values), UTF-8 walking and TString searching and editing driven by the input's own bytes.
#include <cstdint>
#include <cstring>
#include <string>

#include "core/commandline.h"
#include "core/config.h"
#include "core/string.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  // The first four bytes choose positions, counts and flags; the rest is the text.
  int a = int8_t(data[0]), b = int8_t(data[1]), flags = data[2] & 7;
  int split = data[3];
  std::string text(reinterpret_cast<const char*>(data) + 4, size - 4);

  SetProcessCommandLine(text.c_str());
  ApplyCommandLineOptions(GetProcessCommandLine());
  uint32_t handle = 0;
  CommandLineHexValue(kSwitchHostWindow, &handle);
  CommandLineValue(kSwitchWorkFolder);
  ClearConfig();

  for (const char* p = text.c_str(); *p;) {
    int n = 0;
    Utf8Decode(p, &n);
    p += n;
  }

  TString s(text.data(), ptrdiff_t(text.size()));
  TString pattern = s.SubString(a, split % 8);
  TString replacement = s.SubString(b, split / 8 % 8);
  s.Find(pattern, flags, b);
  s.FindChar(char(split), flags, a);
  TString r = s;
  r.Replace(pattern, replacement, flags, a);
  r.Erase(b, a);
  r.WriteAt(a, text.data(), ptrdiff_t(text.size() % 64), flags & 1);
  r += s;
  SetProcessCommandLine(nullptr);
  return 0;
}
