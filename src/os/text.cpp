// UTF-8 <-> UTF-16 codec behind MultiByteToWideChar and WideCharToMultiByte.
#include "os/text.h"

#include "os/lasterror.h"

namespace {
constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at text[i]; answers the code point (or -1 for invalid input) and
// advances i past the sequence (past the longest valid prefix when invalid, at least one byte).
long DecodeUtf8(const unsigned char* text, size_t size, size_t& i) {
  unsigned char lead = text[i];
  if (lead < 0x80) { ++i; return lead; }
  int extra;
  char32_t cp, min;
  if (lead >= 0xC2 && lead <= 0xDF) { extra = 1; cp = lead & 0x1F; min = 0x80; }
  else if (lead >= 0xE0 && lead <= 0xEF) { extra = 2; cp = lead & 0x0F; min = 0x800; }
  else if (lead >= 0xF0 && lead <= 0xF4) { extra = 3; cp = lead & 0x07; min = 0x10000; }
  else { ++i; return -1; }
  size_t j = i + 1;
  for (int k = 0; k < extra; ++k, ++j) {
    if (j >= size || (text[j] & 0xC0) != 0x80) { i = j; return -1; }
    cp = (cp << 6) | (text[j] & 0x3F);
    // Reject overlong forms, surrogates and values past U+10FFFF as soon as the second byte shows them.
    if (k == 0) {
      char32_t shifted = cp << (6 * (extra - 1));
      if (extra == 2 && lead == 0xE0 && shifted < 0x800) { i = j; return -1; }
      if (extra == 2 && lead == 0xED && shifted >= 0xD800) { i = j; return -1; }
      if (extra == 3 && lead == 0xF0 && shifted < 0x10000) { i = j; return -1; }
      if (extra == 3 && lead == 0xF4 && shifted > 0x10FFFF) { i = j; return -1; }
    }
  }
  i = j;
  if (cp < min) return -1;
  return static_cast<long>(cp);
}

size_t CStrLength(const char* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}
}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int bytes, LPWSTR out, int units) {
  if (!text || bytes < -1 || units < 0 || (units > 0 && !out) || (codePage != CP_UTF8 && codePage != CP_ACP)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t size = bytes == -1 ? CStrLength(text) + 1 : static_cast<size_t>(bytes);
  if (size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto* src = reinterpret_cast<const unsigned char*>(text);
  size_t written = 0;
  auto put = [&](char16_t u) -> bool {
    if (units > 0) {
      if (written >= static_cast<size_t>(units)) return false;
      out[written] = u;
    }
    ++written;
    return true;
  };
  for (size_t i = 0; i < size;) {
    long cp = DecodeUtf8(src, size, i);
    if (cp < 0) {
      if (flags & MB_ERR_INVALID_CHARS) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      cp = kReplacement;
    }
    bool ok;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      ok = put(static_cast<char16_t>(0xD800 + (cp >> 10))) && put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      ok = put(static_cast<char16_t>(cp));
    }
    if (!ok) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
  }
  return static_cast<int>(written);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int units, LPSTR out, int bytes,
                        LPCSTR defaultChar, BOOL* usedDefault) {
  if (usedDefault) *usedDefault = FALSE;
  if (!text || units < -1 || bytes < 0 || (bytes > 0 && !out) || (codePage != CP_UTF8 && codePage != CP_ACP)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t size = units == -1 ? os::WideLength(text) + 1 : static_cast<size_t>(units);
  if (size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t written = 0;
  for (size_t i = 0; i < size;) {
    char32_t cp = text[i++];
    if (cp >= 0xD800 && cp <= 0xDBFF && i < size && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i++] - 0xDC00);
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    unsigned char enc[4];
    size_t n;
    if (cp < 0x80) { enc[0] = static_cast<unsigned char>(cp); n = 1; }
    else if (cp < 0x800) { enc[0] = 0xC0 | (cp >> 6); enc[1] = 0x80 | (cp & 0x3F); n = 2; }
    else if (cp < 0x10000) {
      enc[0] = 0xE0 | (cp >> 12); enc[1] = 0x80 | ((cp >> 6) & 0x3F); enc[2] = 0x80 | (cp & 0x3F); n = 3;
    } else {
      enc[0] = 0xF0 | (cp >> 18); enc[1] = 0x80 | ((cp >> 12) & 0x3F);
      enc[2] = 0x80 | ((cp >> 6) & 0x3F); enc[3] = 0x80 | (cp & 0x3F); n = 4;
    }
    if (bytes > 0) {
      if (written + n > static_cast<size_t>(bytes)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      for (size_t k = 0; k < n; ++k) out[written + k] = static_cast<char>(enc[k]);
    }
    written += n;
  }
  return static_cast<int>(written);
}

namespace os {
std::u16string Utf8ToUtf16(std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

size_t WideLength(const char16_t* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}
}  // namespace os
