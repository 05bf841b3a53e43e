// File mapping of the stand-in: CreateFileMappingA / MapViewOfFile / UnmapViewOfFile over mmap.
// Only read-only mappings of whole files (or of a range from an offset) are offered.
#pragma once
#include <cstddef>

#include "os/handles.h"
#include "os/win32types.h"

using SIZE_T = size_t;                     // pointer-sized unsigned count
constexpr DWORD PAGE_READONLY = 0x02;      // read-only pages (the only protection offered)
constexpr DWORD SEC_COMMIT = 0x8000000;    // committed section; the only kind there is here
constexpr DWORD FILE_MAP_READ = 0x04;      // read access to the view

// A mapping object over an open file; size 0,0 means the whole file. NULL with the last error on
// failure (ERROR_FILE_INVALID for an empty file, ERROR_ACCESS_DENIED for writable protections).
// The name is accepted and ignored.
HANDLE CreateFileMappingA(HANDLE file, void* security, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                          LPCSTR name);
// Maps `bytes` from the offset (0 = to the end of the mapping) read-only; NULL on failure.
void* MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes);
// Unmaps a view made by MapViewOfFile; FALSE for an address that is not a view's base.
BOOL UnmapViewOfFile(const void* base);

namespace os {
// Number of views mapped and not yet unmapped (tests use it to find leaks).
int TestMappedViewCount();
}
