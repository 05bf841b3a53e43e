// File handles, folder creation and the CRT file calls over POSIX.
#include "os/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "os/faultinject.h"
#include "os/lasterror.h"
#include "os/paths.h"
#include "os/text.h"
#include "os/filehandle.h"

namespace {
DWORD ErrorFromErrno(int e) {
  switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES: case EPERM: case EROFS: case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_INVALID_PARAMETER;
  }
}

bool ParentExists(const std::string& linuxPath) {
  size_t slash = linuxPath.rfind('/');
  if (slash == std::string::npos || slash == 0) return true;
  struct stat st;
  return stat(linuxPath.substr(0, slash).c_str(), &st) == 0;
}

int AccessLinux(const std::string& p, int mode) {
  int want = 0;
  if (mode & 2) want |= W_OK;
  if (mode & 4) want |= R_OK;
  if (access(p.c_str(), want ? want : F_OK) != 0) return -1;
  if (mode & 2) {
    struct stat st;
    if (stat(p.c_str(), &st) != 0) return -1;
    // Windows' read-only attribute: without the owner's write bit nobody may write, root included.
    if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) {
      errno = EACCES;
      return -1;
    }
  }
  return 0;
}

int MkdirLinux(const std::string& p) { return mkdir(p.c_str(), 0777); }
}  // namespace

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, void* security, DWORD disposition,
                   DWORD flags, HANDLE templateFile) {
  if (!path || !path[0]) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (os::ShouldFail("CreateFileW")) return INVALID_HANDLE_VALUE;
  std::string p = os::ToLinuxPath(os::Utf16ToUtf8(path));
  int oflags = O_CLOEXEC;
  if ((access & GENERIC_READ) && (access & GENERIC_WRITE)) oflags |= O_RDWR;
  else if (access & GENERIC_WRITE) oflags |= O_WRONLY;
  else oflags |= O_RDONLY;
  switch (disposition) {
    case CREATE_NEW: oflags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: oflags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: oflags |= O_CREAT; break;
    case TRUNCATE_EXISTING: oflags |= O_TRUNC; break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  int fd = open(p.c_str(), oflags, 0666);
  if (fd < 0) {
    DWORD e = ErrorFromErrno(errno);
    if (e == ERROR_FILE_NOT_FOUND && !ParentExists(p)) e = ERROR_PATH_NOT_FOUND;
    SetLastError(e);
    return INVALID_HANDLE_VALUE;
  }
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {  // Windows does not open folders this way
    close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  return os::NewHandle(std::make_shared<os::FileObject>(fd));
}

DWORD GetFileSize(HANDLE file, DWORD* high) {
  auto f = os::LookupHandleAs<os::FileObject>(file);
  struct stat st;
  if (!f || fstat(f->fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  uint64_t size = static_cast<uint64_t>(st.st_size);
  if (high) *high = static_cast<DWORD>(size >> 32);
  return static_cast<DWORD>(size);
}

BOOL CreateDirectoryW(LPCWSTR path, void* security) {
  if (!path || !path[0]) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (os::ShouldFail("CreateDirectoryW")) return FALSE;
  std::string p = os::ToLinuxPath(os::Utf16ToUtf8(path));
  if (MkdirLinux(p) != 0) {
    SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

FILE* _wfopen(const char16_t* path, const char16_t* mode) {
  if (!path || !mode || !path[0]) {
    errno = EINVAL;
    return nullptr;
  }
  std::string m;
  for (const char16_t* c = mode; *c; ++c)
    if (*c == u'r' || *c == u'w' || *c == u'a' || *c == u'+' || *c == u'b' || *c == u'x') m += static_cast<char>(*c);
  if (m.empty() || (m[0] != 'r' && m[0] != 'w' && m[0] != 'a')) {
    errno = EINVAL;
    return nullptr;
  }
  const std::string name = os::Utf16ToUtf8(path);
  FILE* f = nullptr;
  if (m[0] == 'r') {
    // Reading: the name as written is tried first, so that the usual open walks the path once;
    // only a name that is not there is matched without case.
    f = fopen(os::ExactLinuxPath(name).c_str(), m.c_str());
    if (!f && errno == ENOENT) f = fopen(os::ToLinuxPath(name).c_str(), m.c_str());
    struct stat st;
    if (f && fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
      fclose(f);
      errno = EACCES;
      return nullptr;
    }
    return f;
  }
  return fopen(os::ToLinuxPath(name).c_str(), m.c_str());
}

int _waccess(const char16_t* path, int mode) {
  if (!path) return -1;
  return AccessLinux(os::ToLinuxPath(os::Utf16ToUtf8(path)), mode);
}

int _access(const char* path, int mode) {
  if (!path) return -1;
  return AccessLinux(os::ToLinuxPath(path), mode);
}

int _wmkdir(const char16_t* path) {
  if (!path || !path[0]) return -1;
  return MkdirLinux(os::ToLinuxPath(os::Utf16ToUtf8(path)));
}

int _mkdir(const char* path) {
  if (!path || !path[0]) return -1;
  return MkdirLinux(os::ToLinuxPath(path));
}

int _fileno(FILE* stream) { return stream ? fileno(stream) : -1; }

int _commit(int fd) { return fsync(fd); }
