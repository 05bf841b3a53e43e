// TDataCipher: enciphers the values the program keeps for the player (preferences, scores) with
// Blowfish keyed from the short "encryptionkey" text, as raw bytes or as base64 text.
// Sizes follow the two-pass convention: a null or short buffer answers the size it needs, a large
// enough one receives the result and the call answers 0.
#pragma once
#include <cstdint>
#include <memory>

#include "core/blowfish.h"
#include "core/string.h"

// Decrypt's answer for input that is not a value enciphered under this key (bad padding, a length
// that is no multiple of the block size): a wrong key or damaged bytes.
inline constexpr int kCipherUndecipherable = -1;

class TDataCipher {
public:
  explicit TDataCipher(const TString& keyText = TString());
  ~TDataCipher();

  // Rebuilds the cipher state from a key text: 12 base64 characters decoding to 9 key bytes.
  // Shorter or longer texts are filled or cut to 12, and the last three characters are always the
  // fixed ones, so only the first 9 characters choose the key.
  void SetKey(const TString& keyText);

  // Enciphers `length` bytes (1-8 pad bytes added). Answers 0 with the result in the buffer, or the
  // size it needs (with the base64 flag: the text and its NUL). A size query leaves the last
  // length alone.
  int Encrypt(const void* bytes, int length, void* out, int capacity, bool base64);
  // Deciphers bytes or base64 text. Answers 0 with the plaintext in the buffer (also for an empty
  // plaintext, which copies nothing), the size it needs, or kCipherUndecipherable. Every call that
  // does not just ask for a size sets the last length (0 on failure).
  int Decrypt(const void* input, int length, void* out, int capacity, bool base64);
  int GetLastLength() const;

  // The text with its NUL enciphered, as base64; empty when nothing came out.
  TString EncryptString(const TString& text);
  // The reverse, up to the first NUL. Empty when nothing came out; `ok` (optional) tells an empty
  // plaintext from text that does not decipher.
  TString DecryptString(const TString& base64Text, bool* ok = nullptr);

  // The key text as SetKey normalises it (what the cipher is keyed with).
  static TString NormaliseKeyText(const TString& keyText);

private:
  std::unique_ptr<Blowfish> mBlowfish;
};
