// Base64 encoding and the lenient decoding the data cipher's stored texts rely on.
#include "core/base64.h"

namespace {
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

uint32_t DecodeChar(char c) {
  if (c >= 'A' && c <= 'Z') return uint32_t(c - 'A');
  if (c >= 'a' && c <= 'z') return uint32_t(c - 'a' + 26);
  if (c >= '0' && c <= '9') return uint32_t(c - '0' + 52);
  if (c == '+') return 62;
  if (c == '=') return 0;
  return 63;  // '/' and every character outside the alphabet
}
}  // namespace

int Base64EncodedLength(int byteCount) { return byteCount <= 0 ? 0 : 4 * ((byteCount + 2) / 3); }

int Base64DecodedLength(int charCount) { return charCount <= 0 ? 0 : 3 * ((charCount + 3) / 4); }

int Base64Encode(char* out, const uint8_t* bytes, int length) {
  int written = 0;
  for (int i = 0; i < length; i += 3) {
    const int left = length - i;
    const uint32_t group = (uint32_t(bytes[i]) << 16) | (left > 1 ? uint32_t(bytes[i + 1]) << 8 : 0) |
                           (left > 2 ? uint32_t(bytes[i + 2]) : 0);
    out[written++] = kAlphabet[(group >> 18) & 63];
    out[written++] = kAlphabet[(group >> 12) & 63];
    out[written++] = left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
    out[written++] = left > 2 ? kAlphabet[group & 63] : '=';
  }
  return written;
}

int Base64Decode(uint8_t* out, const char* text, int length) {
  int written = 0;
  for (int i = 0; i < length; i += 4) {
    // A short last group reads as if it were filled with "=", without touching the caller's text.
    char group[4] = {'=', '=', '=', '='};
    for (int k = 0; k < 4 && i + k < length; ++k) group[k] = text[i + k];
    const uint32_t v = (DecodeChar(group[0]) << 18) | (DecodeChar(group[1]) << 12) |
                       (DecodeChar(group[2]) << 6) | DecodeChar(group[3]);
    int count = 3;
    if (group[3] == '=') count = group[2] == '=' ? 1 : 2;
    out[written] = uint8_t(v >> 16);
    if (count > 1) out[written + 1] = uint8_t(v >> 8);
    if (count > 2) out[written + 2] = uint8_t(v);
    written += count;
  }
  return written;
}
