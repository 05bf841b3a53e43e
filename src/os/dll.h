// Dynamic libraries of the platform stand-in: LoadLibraryA is dlopen. Plug-ins are ELF shared objects
// that keep the names the program asks for ("vxHarness.dll", "x.vxmod"); a name ending in ".dll"
// also finds "name.so" and "libname.so". A bare name is searched in the executable's folder, then
// the current folder, then the system's library path; names match without regard to case.
#pragma once
#include <string>

#include "os/handles.h"
#include "os/windowerrors.h"

// Loads (or finds the already loaded) library; NULL with ERROR_MOD_NOT_FOUND when nothing loads.
HMODULE LoadLibraryA(LPCSTR fileName);
// Same with a UTF-16 name.
HMODULE LoadLibraryW(LPCWSTR fileName);
// Drops one reference; the library is unloaded with the last.
BOOL FreeLibrary(HMODULE module);
// dlsym of an export; NULL with ERROR_PROC_NOT_FOUND.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// NULL: the executable itself; else an already loaded library by name (no loading).
HMODULE GetModuleHandleA(LPCSTR name);

namespace os {
// Folder of the running executable (Linux form, with a trailing slash).
std::string ExecutableFolder();
// Test control: one more folder (Linux form) searched for bare names, after the current folder. Test
// programs find the test plug-ins there; the build keeps those away from the programs' folder, where
// the game itself would load them.
void TestAddLibraryFolder(const std::string& folder);
}  // namespace os
