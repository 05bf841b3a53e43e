// File calls of the stand-in: KERNEL32 file handles and folder creation, and the CRT file calls
// the framework makes with wide (UTF-16) or UTF-8 paths. All paths go through os::ToLinuxPath, so
// they may use either separator, the "Z:" drive and any letter case.
#pragma once
#include <cstdio>

#include "os/handles.h"
#include "os/win32types.h"

constexpr DWORD GENERIC_READ = 0x80000000u;   // open for reading
constexpr DWORD GENERIC_WRITE = 0x40000000u;  // open for writing
constexpr DWORD FILE_SHARE_READ = 0x1;        // accepted; Linux does not lock files against readers
constexpr DWORD FILE_SHARE_WRITE = 0x2;       // accepted, as above
constexpr DWORD CREATE_NEW = 1;               // create; fail when the file exists
constexpr DWORD CREATE_ALWAYS = 2;            // create or truncate
constexpr DWORD OPEN_EXISTING = 3;            // open; fail when missing
constexpr DWORD OPEN_ALWAYS = 4;              // open or create
constexpr DWORD TRUNCATE_EXISTING = 5;        // open and truncate; fail when missing
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;   // no write permission for the owner
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;  // a folder
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;     // a plain file without other attributes
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;  // GetFileSize failure

// Opens a file (open(2) on the mapped path); INVALID_HANDLE_VALUE and the last error on failure.
// Security attributes, flags and the template are accepted and ignored.
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, void* security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
// Size of an open file: low 32 bits returned, high 32 bits stored through `high` when given.
DWORD GetFileSize(HANDLE file, DWORD* high);
// mkdir of one folder; FALSE with ERROR_ALREADY_EXISTS when it exists, ERROR_PATH_NOT_FOUND when
// its parent is missing.
BOOL CreateDirectoryW(LPCWSTR path, void* security);


// CRT fopen with a UTF-16 path and mode ("x" keeps an existing file from being replaced). Text
// modes ("rt", "wt", "at") behave as binary modes: line ends are kept as they are in the file.
FILE* _wfopen(const char16_t* path, const char16_t* mode);
// CRT access with a UTF-16 or UTF-8 path: mode 0 exists, 2 write, 4 read, 6 read and write; 0 when
// allowed, -1 otherwise. Like Windows, a file without the owner's write bit is read-only even for
// root, so write tests answer as they would for a read-only file there.
int _waccess(const char16_t* path, int mode);
int _access(const char* path, int mode);
// CRT mkdir (one level) with a UTF-16 or UTF-8 path; 0 or -1 (errno EEXIST / ENOENT).
int _wmkdir(const char16_t* path);
int _mkdir(const char* path);
// CRT _fileno, and _commit: the file's written bytes to the disk (fsync); 0 or -1.
int _fileno(FILE* stream);
int _commit(int fd);
