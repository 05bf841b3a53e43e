// Fuzz target of the data cipher: arbitrary bytes and texts deciphered raw and as base64 under a
// key taken from the input, through the two-pass size convention.
#include <cstdint>
#include <string>
#include <vector>

#include "core/base64.h"
#include "core/datacipher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t keyLength = data[0] % 16;
  if (size < 1 + keyLength) return 0;
  TDataCipher cipher(TString(reinterpret_cast<const char*>(data) + 1, ptrdiff_t(keyLength)));
  const uint8_t* body = data + 1 + keyLength;
  const int length = int(size - 1 - keyLength);
  for (bool base64 : {false, true}) {
    const int needed = cipher.Decrypt(body, length, nullptr, 0, base64);
    if (needed > 0) {
      std::vector<uint8_t> out(static_cast<size_t>(needed));
      cipher.Decrypt(body, length, out.data(), needed, base64);
    }
  }
  std::vector<uint8_t> decoded(static_cast<size_t>(Base64DecodedLength(length)) + 1);
  Base64Decode(decoded.data(), reinterpret_cast<const char*>(body), length);
  cipher.DecryptString(TString(reinterpret_cast<const char*>(body), length));
  return 0;
}
