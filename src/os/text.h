// Code-page conversions of the stand-in: the ANSI code page and UTF-8 are both UTF-8 here, and wide
// text is UTF-16 in char16_t units. Invalid input becomes U+FFFD unless the caller asks to fail.
#pragma once
#include <string>
#include <string_view>

#include "os/win32types.h"

constexpr UINT CP_ACP = 0;                   // the "ANSI" code page: UTF-8 on this system
constexpr UINT CP_UTF8 = 65001;              // UTF-8
constexpr DWORD MB_ERR_INVALID_CHARS = 0x08; // fail on invalid UTF-8 instead of replacing it

// UTF-8 to UTF-16. A length of -1 converts up to and including the NUL. With 0 for the output size
// the needed units are returned; a too small output fails with ERROR_INSUFFICIENT_BUFFER (0).
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int bytes, LPWSTR out, int units);
// UTF-16 to UTF-8, the same conventions; lone surrogates become U+FFFD. The default-character
// arguments are accepted and ignored (UTF-8 can encode everything).
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int units, LPSTR out, int bytes,
                        LPCSTR defaultChar, BOOL* usedDefault);

namespace os {
// Whole-string forms for the stand-in's own use.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
// Length of a NUL-terminated UTF-16 text.
size_t WideLength(const char16_t* text);
}  // namespace os
