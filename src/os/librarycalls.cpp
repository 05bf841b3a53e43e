// Interim LoadLibraryW / GetProcAddress / FreeLibrary over dlopen (see librarycalls.h). Only
// handles this file gave out are used, so a stray handle fails like an unknown one on Windows.
#include "os/librarycalls.h"

#if !__has_include("os/dll.h")
#include <dlfcn.h>

#include <map>
#include <mutex>

#include "os/paths.h"
#include "os/text.h"

namespace {
std::mutex gLock;
std::map<void*, int> gOpen;  // dlopen handle -> loads not yet freed
}  // namespace

HMODULE LoadLibraryW(LPCWSTR fileName) {
  if (!fileName) return nullptr;
  const std::string path = os::ToLinuxPath(os::Utf16ToUtf8(fileName));
  void* dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!dl) return nullptr;
  std::lock_guard<std::mutex> guard(gLock);
  ++gOpen[dl];
  return static_cast<HMODULE>(dl);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (!name) return nullptr;
  std::lock_guard<std::mutex> guard(gLock);
  if (!gOpen.count(module)) return nullptr;
  return reinterpret_cast<FARPROC>(dlsym(static_cast<void*>(module), name));
}

BOOL FreeLibrary(HMODULE module) {
  std::lock_guard<std::mutex> guard(gLock);
  auto found = gOpen.find(module);
  if (found == gOpen.end()) return FALSE;
  if (--found->second == 0) gOpen.erase(found);
  return dlclose(static_cast<void*>(module)) == 0 ? TRUE : FALSE;
}
#endif
