// Clipboard and movable memory blocks of the platform stand-in. Text set between OpenClipboard and
// CloseClipboard goes to SDL's clipboard (UTF-8) when the clipboard is closed; reads come from SDL
// when another program changed it since, else from what this process set (byte for byte).
#pragma once
#include <string>

#include "os/handles.h"
#include "os/windowerrors.h"

constexpr UINT CF_TEXT = 1;           // ANSI bytes (the ANSI code page is UTF-8), NUL-terminated
constexpr UINT CF_UNICODETEXT = 13;   // UTF-16 units, NUL-terminated
constexpr UINT GMEM_FIXED = 0x0000, GMEM_MOVEABLE = 0x0002, GMEM_ZEROINIT = 0x0040;

// A memory block in the handle table (moveable or not: GlobalLock gives its bytes).
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID GlobalLock(HGLOBAL mem);
BOOL GlobalUnlock(HGLOBAL mem);
SIZE_T GlobalSize(HGLOBAL mem);
HGLOBAL GlobalFree(HGLOBAL mem);  // NULL on success, as the original

// Opens the clipboard for the calling thread; FALSE while another thread holds it open.
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
// Takes ownership of a GlobalAlloc block with the format's data; the caller must not free it.
HANDLE SetClipboardData(UINT format, HANDLE mem);
// A block owned by the clipboard, valid until it changes. CF_TEXT and CF_UNICODETEXT convert into
// each other as on Windows.
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);

namespace os {
// Test control: the clipboard as another program left it (raw CF_TEXT bytes), or as SDL holds it.
void TestSetClipboardBytes(const std::string& bytes);
std::string TestClipboardUtf8();
void TestResetClipboard();
}  // namespace os
