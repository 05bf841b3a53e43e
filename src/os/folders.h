// Folder listings of the stand-in: FindFirstFileW / FindNextFileW / FindClose over opendir, with
// the entries sorted by name as Windows lists them (upper-cased ordinal) and "." and ".." included.
#pragma once
#include "os/files.h"
#include "os/paths.h"
#include "os/win32types.h"

// File time: 100-ns ticks since 1601-01-01 (UTC), split into two 32-bit halves.
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

// One entry of a folder listing.
struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;      // FILE_ATTRIBUTE_DIRECTORY for folders, else NORMAL or READONLY
  FILETIME ftCreationTime;     // the change time (Linux keeps no creation time)
  FILETIME ftLastAccessTime;   // access time
  FILETIME ftLastWriteTime;    // modify time
  DWORD nFileSizeHigh;         // size, high 32 bits
  DWORD nFileSizeLow;          // size, low 32 bits
  DWORD dwReserved0;           // 0
  DWORD dwReserved1;           // 0
  WCHAR cFileName[MAX_PATH];   // the entry's name, NUL-terminated
  WCHAR cAlternateFileName[14];  // empty: there are no short names
};

// Starts a listing of "folder\pattern" (patterns may use * and ?, matched without regard to case);
// fills the first entry. INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND.
HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data);
// Next entry; FALSE with ERROR_NO_MORE_FILES at the end.
BOOL FindNextFileW(HANDLE search, WIN32_FIND_DATAW* data);
// Ends a listing.
BOOL FindClose(HANDLE search);
