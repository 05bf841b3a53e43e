// LoadLibraryA and friends over dlopen (see dll.h).
#include "os/dll.h"

#include <dirent.h>
#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <map>
#include <mutex>
#include <vector>

#include "os/paths.h"
#include "os/text.h"
#include "os/faultinject.h"

namespace {

class ModuleObject : public os::HandleObject {
 public:
  void* dl = nullptr;
  int refs = 0;
  std::string path;
};

std::mutex gLock;
std::map<void*, HMODULE> gByDl;  // one handle per loaded library, as on Windows

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The entry of `folder` whose name equals `name` without regard to case.
std::string FindInFolder(const std::string& folder, const std::string& name) {
  std::string exact = folder + name;
  if (IsFile(exact)) return exact;
  DIR* d = opendir(folder.empty() ? "." : folder.c_str());
  if (!d) return {};
  std::string found;
  while (dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, name.c_str()) == 0 && IsFile(folder + e->d_name)) {
      found = folder + e->d_name;
      break;
    }
  }
  closedir(d);
  return found;
}

std::vector<std::string> CandidateNames(const std::string& name) {
  std::vector<std::string> names{name};
  if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".dll") == 0) {
    std::string stem = name.substr(0, name.size() - 4);
    names.push_back(stem + ".so");
    names.push_back("lib" + stem + ".so");
  }
  return names;
}

void* Open(const std::string& path) {
  void* dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  return dl;
}

}  // namespace

namespace os {

namespace {
std::vector<std::string>& ExtraLibraryFolders() {
  static std::vector<std::string> folders;
  return folders;
}
}  // namespace

void TestAddLibraryFolder(const std::string& folder) {
  std::string f = folder;
  if (!f.empty() && f.back() != '/') f += '/';
  ExtraLibraryFolders().push_back(f);
}

std::string ExecutableFolder() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return "./";
  std::string path(buf, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

}  // namespace os

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (os::ShouldFail("LoadLibraryA")) return nullptr;
  std::string name = fileName;
  void* dl = nullptr;
  std::string loadedFrom;
  bool hasFolder = name.find('\\') != std::string::npos || name.find('/') != std::string::npos;
  if (hasFolder) {
    std::string posix = os::ToLinuxPath(name);
    size_t slash = posix.rfind('/');
    std::string folder = posix.substr(0, slash + 1), base = posix.substr(slash + 1);
    for (const std::string& candidate : CandidateNames(base)) {
      std::string path = FindInFolder(folder, candidate);
      if (!path.empty() && (dl = Open(path))) {
        loadedFrom = path;
        break;
      }
    }
  } else {
    char cwd[PATH_MAX];
    std::string current = getcwd(cwd, sizeof(cwd)) ? std::string(cwd) + "/" : "./";
    std::vector<std::string> folders{os::ExecutableFolder(), current};
    for (const std::string& extra : os::ExtraLibraryFolders()) folders.push_back(extra);
    for (const std::string& folder : folders) {
      for (const std::string& candidate : CandidateNames(name)) {
        std::string path = FindInFolder(folder, candidate);
        if (!path.empty() && (dl = Open(path))) {
          loadedFrom = path;
          break;
        }
      }
      if (dl) break;
    }
    if (!dl) {
      // The system's search path (LD_LIBRARY_PATH, ld.so.cache, default folders).
      for (const std::string& candidate : CandidateNames(name)) {
        if ((dl = Open(candidate))) {
          loadedFrom = candidate;
          break;
        }
      }
    }
  }
  if (!dl) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard<std::mutex> g(gLock);
  auto it = gByDl.find(dl);
  if (it != gByDl.end()) {
    if (auto m = os::LookupHandleAs<ModuleObject>(it->second)) {
      ++m->refs;  // dlopen counted this load too
      return it->second;
    }
  }
  auto m = std::make_shared<ModuleObject>();
  m->dl = dl;
  m->refs = 1;
  m->path = loadedFrom;
  auto h = static_cast<HMODULE>(os::NewHandle(m));
  gByDl[dl] = h;
  return h;
}

HMODULE LoadLibraryW(LPCWSTR fileName) {
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return LoadLibraryA(os::Utf16ToUtf8(fileName).c_str());
}

BOOL FreeLibrary(HMODULE module) {
  std::lock_guard<std::mutex> g(gLock);
  auto m = os::LookupHandleAs<ModuleObject>(module);
  if (!m || !m->dl) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  dlclose(m->dl);
  if (--m->refs == 0) {
    gByDl.erase(m->dl);
    CloseHandle(module);
  }
  return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  auto m = os::LookupHandleAs<ModuleObject>(module);
  if (!m || !name) {
    SetLastError(m ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* sym = dlsym(m->dl, name);
  if (!sym) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(sym);
}

HMODULE GetModuleHandleA(LPCSTR name) {
  std::lock_guard<std::mutex> g(gLock);
  if (!name) {
    static HMODULE self = [] {
      auto m = std::make_shared<ModuleObject>();
      m->dl = dlopen(nullptr, RTLD_NOW);
      m->refs = 1;
      return static_cast<HMODULE>(os::NewHandle(m));
    }();
    return self;
  }
  for (auto& [dl, h] : gByDl) {
    auto m = os::LookupHandleAs<ModuleObject>(h);
    if (!m) continue;
    std::string base = m->path.substr(m->path.rfind('/') + 1);
    for (const std::string& candidate : CandidateNames(name))
      if (strcasecmp(base.c_str(), candidate.c_str()) == 0) return h;
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}
