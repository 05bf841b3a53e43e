// TDataCipher over Blowfish and base64; key texts are normalised so every text yields a usable key.
#include "core/datacipher.h"

#include <cstring>
#include <vector>

#include "core/base64.h"

namespace {
// Fixed once: values enciphered under other choices could not be read back.
const char kKeyFill[] = "Tq7vWm2KcX9e";  // fills a key text shorter than 12 characters
const char kKeyTail[] = "H4n";           // always the last three characters of the key text
}  // namespace

TDataCipher::TDataCipher(const TString& keyText) { SetKey(keyText); }

TDataCipher::~TDataCipher() = default;

TString TDataCipher::NormaliseKeyText(const TString& keyText) {
  TString key = keyText;
  if (key.Length() != 12) key = (key + kKeyFill).SubString(0, 12);
  if (!(key.SubString(9) == kKeyTail)) key = key.SubString(0, 9) + kKeyTail;
  return key;
}

void TDataCipher::SetKey(const TString& keyText) {
  mBlowfish = std::make_unique<Blowfish>();
  mBlowfish->mLastLength = 0;
  const TString key = NormaliseKeyText(keyText);
  std::vector<uint8_t> bytes(size_t(Base64DecodedLength(key.Length())));
  Base64Decode(bytes.data(), key.CStr(), key.Length());
  mBlowfish->SetKey(bytes.data(), int(bytes.size()));
}

int TDataCipher::Encrypt(const void* bytes, int length, void* out, int capacity, bool base64) {
  if (length < 0 || (length > 0 && !bytes)) return kCipherUndecipherable;
  const std::vector<uint8_t> cipher =
      mBlowfish->EncryptBuffer(static_cast<const uint8_t*>(bytes), length);
  const int cipherLength = int(cipher.size());
  if (!base64) {
    if (!out || capacity < cipherLength) return cipherLength;
    std::memcpy(out, cipher.data(), cipher.size());
    mBlowfish->mLastLength = cipherLength;
    return 0;
  }
  const int needed = Base64EncodedLength(cipherLength) + 1;
  if (!out || capacity < needed) return needed;
  char* text = static_cast<char*>(out);
  text[Base64Encode(text, cipher.data(), cipherLength)] = 0;
  mBlowfish->mLastLength = needed;
  return 0;
}

int TDataCipher::Decrypt(const void* input, int length, void* out, int capacity, bool base64) {
  if (length < 0 || (length > 0 && !input)) {
    mBlowfish->mLastLength = 0;
    return kCipherUndecipherable;
  }
  std::vector<uint8_t> decoded;
  const uint8_t* cipher = static_cast<const uint8_t*>(input);
  int cipherLength = length;
  if (base64) {
    decoded.resize(size_t(Base64DecodedLength(length)));
    cipherLength = Base64Decode(decoded.data(), static_cast<const char*>(input), length);
    cipher = decoded.data();
  }
  std::vector<uint8_t> plain;
  if (!mBlowfish->DecryptBuffer(cipher, cipherLength, plain)) {
    mBlowfish->mLastLength = 0;
    return kCipherUndecipherable;
  }
  const int plainLength = int(plain.size());
  if (plainLength > 0 && (!out || capacity < plainLength)) return plainLength;
  if (plainLength > 0) std::memcpy(out, plain.data(), plain.size());
  mBlowfish->mLastLength = plainLength;
  return 0;
}

int TDataCipher::GetLastLength() const { return mBlowfish->mLastLength; }

TString TDataCipher::EncryptString(const TString& text) {
  const int length = text.Length() + 1;
  const int needed = Encrypt(text.CStr(), length, nullptr, 0, true);
  if (needed <= 0) return TString();
  std::vector<char> out(static_cast<size_t>(needed));
  if (Encrypt(text.CStr(), length, out.data(), needed, true) != 0) return TString();
  return TString(out.data());
}

TString TDataCipher::DecryptString(const TString& base64Text, bool* ok) {
  if (ok) *ok = false;
  const int needed = Decrypt(base64Text.CStr(), base64Text.Length(), nullptr, 0, true);
  if (needed < 0) return TString();
  std::vector<char> out(size_t(needed) + 1, 0);
  if (Decrypt(base64Text.CStr(), base64Text.Length(), out.data(), needed, true) != 0) return TString();
  if (ok) *ok = true;
  return TString(out.data());
}
