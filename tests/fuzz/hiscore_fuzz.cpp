// Fuzz target of the score file reader: the input is read as a whole score file, and also as the
// document inside one (enciphered and given its checksum here, so the document reader is reached).
#include <cstdint>
#include <vector>

#include "core/config.h"
#include "core/datacipher.h"
#include "services/hiscores.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* kKey = "fuzzkey12345";
  SetConfig("encryptionkey", kKey);
  TVxHiscores raw(false);
  raw.LoadBytes(data, size);

  TDataCipher cipher(kKey);
  const int length = static_cast<int>(size);
  const int needed = cipher.Encrypt(data, length, nullptr, 0, false);
  if (needed <= 0) return 0;
  std::vector<unsigned char> file(static_cast<size_t>(needed) + 16);
  if (cipher.Encrypt(data, length, file.data(), needed, false) != 0) return 0;
  const int body = cipher.GetLastLength();
  const uint32_t sum = HiscoreChecksum(file.data(), static_cast<size_t>(body));
  if (cipher.Encrypt(&sum, 4, file.data() + body, 16, false) != 0) return 0;
  TVxHiscores document(false);
  document.LoadBytes(file.data(), static_cast<size_t>(body) + 8);
  // Walk what was read.
  document.SetUserField(1, "ann");
  for (int32_t i = 0; i < document.NumEarnedMedals(); ++i) document.GetMedal(i, nullptr, nullptr, nullptr, nullptr);
  for (const auto& [mode, table] : document.GetTables()) {
    document.SetUserField(2, mode);
    char name[64];
    for (int32_t i = 0; i < document.GetScoreCount(true); ++i)
      document.GetScore(true, i, nullptr, name, sizeof name, nullptr, nullptr, nullptr, 0);
  }
  return 0;
}
