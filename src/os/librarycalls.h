// Interim dynamic-library calls for the collation plug-in, used only while the stand-in's own
// LoadLibrary family ("os/dll.h") is not part of the build; with it present this header is empty.
#pragma once
#if !__has_include("os/dll.h")
#include <cstdint>

#include "os/win32types.h"

using FARPROC = intptr_t (*)();  // exported function, cast by the caller

// dlopen of a Windows-view or Linux path (components matched without regard to case); NULL on failure.
HMODULE LoadLibraryW(LPCWSTR fileName);
// dlsym of an export; NULL when it is missing.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// dlclose; FALSE for a null module.
BOOL FreeLibrary(HMODULE module);
#endif
