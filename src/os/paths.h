// Path namespace of the stand-in. The framework sees Windows paths: backslashes, and the Linux root
// shown as drive Z: ("Z:\home\me\game\game.exe"). Every file call maps such a path back to Linux and
// matches each component without regard to case (a folder listing cache keeps that cheap).
#pragma once
#include <string>
#include <string_view>

#include "os/win32types.h"

constexpr DWORD MAX_PATH = 260;  // the classic path buffer size in units, NUL included

namespace os {
// Windows (or Linux) path -> Linux path: "X:" drops to the root, "\" becomes "/", "." and ".." are
// folded, a relative path is joined to the current folder, and each existing component takes the
// case it has on disk. Components that do not exist (yet) keep the case given.
std::string ToLinuxPath(std::string_view path);
// The same path with its names as written (no folder is read): what ToLinuxPath answers whenever
// that path exists.
std::string ExactLinuxPath(std::string_view path);
// Linux path -> Windows view: absolute paths gain "Z:" and every "/" becomes "\".
std::string ToWindowsPath(std::string_view linuxPath);
// Case-folded form of a name, as name comparisons of the stand-in use it (ASCII letters only).
std::string FoldName(std::string_view name);
// Ordering of folder listings, as Windows lists them: upper-cased UTF-16 ordinal.
bool ListingLess(std::string_view a, std::string_view b);
// Forgets cached folder listings (the cache also notices changed folders by their modify time).
void ClearPathCache();
// Test control: the path GetModuleFileNameW answers (a Linux path); empty restores the real one.
void TestSetModulePath(const std::string& linuxPath);
}  // namespace os

// Path of the executable (hModule is ignored: only the executable is asked for). Truncates and answers
// `size` with ERROR_INSUFFICIENT_BUFFER when the buffer is short, like the original.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
// Current folder in the Windows view: its length, or the units needed (NUL included) when short.
DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer);
// Changes the current folder (chdir on the mapped path).
BOOL SetCurrentDirectoryW(LPCWSTR path);
// Absolute, normalised form of a path in the Windows view; the units needed (NUL included) when
// the buffer is short, 0 on failure. filePart (optional) receives the start of the last component.
DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR* filePart);
// Short names do not exist here: answers the long path itself when it exists (else 0 with
// ERROR_FILE_NOT_FOUND), or the units needed when the buffer is short.
DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size);
// CRT getcwd in the Windows view (UTF-8); null with errno ERANGE when the buffer is short.
char* _getcwd(char* buffer, int size);
