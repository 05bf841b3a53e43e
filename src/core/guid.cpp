// NewGuid and MakeGuidText over the stand-in's CoCreateGuid.
#include "core/guid.h"

#include <cstring>

#include "core/log.h"
#include "os/comguid.h"

void NewGuid(uint8_t out[16]) {
  GUID guid{};
  if (CoCreateGuid(&guid) != S_OK) {
    LogPrintf("CoCreateGuid failed");
    guid = GUID{};
  }
  static_assert(sizeof(GUID) == 16);
  std::memcpy(out, &guid, 16);
}

TString MakeGuidText() {
  uint8_t bytes[16];
  NewGuid(bytes);
  uint32_t words[4];
  std::memcpy(words, bytes, sizeof words);
  return TString::Format("%08x%08x%08x%08x", words[0], words[1], words[2], words[3]);
}
