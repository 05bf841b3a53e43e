// UTF-8 / UTF-16 / Windows-1252 conversions used inside the windowing layer only.
// Kept private until the shared MultiByteToWideChar/WideCharToMultiByte land; then these wrap them.
// Invalid input becomes U+FFFD; nothing reads past the given length.
#pragma once
#include <string>
#include <string_view>

namespace os::utf {

inline void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

inline std::u16string ToUtf16(std::string_view s) {
  std::u16string out;
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    size_t n;
    if (c < 0x80) { cp = c; n = 1; }
    else if (c >= 0xC2 && c < 0xE0) { cp = c & 0x1F; n = 2; }
    else if (c >= 0xE0 && c < 0xF0) { cp = c & 0x0F; n = 3; }
    else if (c >= 0xF0 && c < 0xF5) { cp = c & 0x07; n = 4; }
    else { out.push_back(u'\uFFFD'); ++i; continue; }
    if (i + n > s.size()) { out.push_back(u'\uFFFD'); ++i; continue; }
    bool ok = true;
    for (size_t k = 1; k < n; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values above U+10FFFF are invalid.
    if (ok && ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
               (cp >= 0xD800 && cp <= 0xDFFF)))
      ok = false;
    if (!ok) { out.push_back(u'\uFFFD'); ++i; continue; }
    AppendUtf16(out, cp);
    i += n;
  }
  return out;
}

inline void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

inline std::string ToUtf8(std::u16string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;  // lone surrogate
    }
    AppendUtf8(out, c);
  }
  return out;
}

inline std::u16string ToUtf16(const char16_t* s) {
  std::u16string out;
  if (s) out = s;
  return out;
}

// Windows-1252 bytes 0x80..0x9F; 0 marks the five undefined ones.
inline constexpr char16_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

// One UTF-16 unit to the ANSI code page (Windows-1252); unrepresentable units become '?'.
inline unsigned char UnitToAnsi(char16_t u) {
  if (u < 0x80 || (u >= 0xA0 && u < 0x100)) return static_cast<unsigned char>(u);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == u) return static_cast<unsigned char>(0x80 + i);
  return '?';
}

inline char16_t AnsiToUnit(unsigned char b) {
  if (b >= 0x80 && b < 0xA0) return kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : b;
  return b;
}

inline bool IsValidUtf8(std::string_view s) {
  std::u16string round = ToUtf16(s);
  return ToUtf8(round) == s;
}

inline std::string AnsiToUtf8(std::string_view s) {
  std::u16string w;
  for (unsigned char b : s) w.push_back(AnsiToUnit(b));
  return ToUtf8(w);
}

inline std::string Utf8ToAnsi(std::string_view s) {
  std::u16string w = ToUtf16(s);
  std::string out;
  for (size_t i = 0; i < w.size(); ++i) {
    if (w[i] >= 0xD800 && w[i] < 0xDC00 && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] < 0xE000) ++i;
    out.push_back(static_cast<char>(UnitToAnsi(w[i])));
  }
  return out;
}

}  // namespace os::utf
