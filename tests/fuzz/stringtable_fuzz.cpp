// Fuzz target of the string table: the input is a strings file (plain or "ZXML"); every label found
// is then expanded with arguments cut from the input, in and out of test mode.
#include <cstdint>
#include <string>
#include <vector>

#include "core/assetindex.h"
#include "core/config.h"
#include "core/stringtable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RegisterMemoryFile("fuzz_strings.xml", data, size);
  TStringTable table;
  table.SetQuiet(true);
  table.Load("fuzz_strings.xml");
  RegisterMemoryFile("fuzz_strings.xml", nullptr, 0);

  const std::string input(reinterpret_cast<const char*>(data), size);
  const TString arg1(input.substr(0, 8).c_str());
  const TString arg2(input.size() > 8 ? input.substr(8, 4).c_str() : "");
  std::vector<TStringTable::Entry> labels;
  for (int mode = 0; mode < 2; ++mode) {
    SetConfig("stringtest", mode ? "1" : "0");
    int count = 0;
    for (const char* label : {"A", "B", "%", ""}) table.GetString(label, arg1, arg2, "%A%", "%%", "%");
    table.GetFlashStrings(labels);
    for (const auto& entry : labels) {
      if (++count > 64) break;
      table.GetString(entry.first, arg1, arg2, "%A%", "%%", "%");
    }
  }
  ClearConfig();
  return 0;
}
