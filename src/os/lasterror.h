// The per-thread "last error" of the platform stand-in and the Win32 error codes its calls report.
// Every stand-in call that fails sets it, as the originals do; callers read it with GetLastError.
#pragma once
#include "os/win32types.h"

constexpr DWORD ERROR_SUCCESS = 0;                // no error
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;         // no file of that name
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;         // a folder on the way is missing
constexpr DWORD ERROR_ACCESS_DENIED = 5;          // permission refused
constexpr DWORD ERROR_INVALID_HANDLE = 6;         // the handle is not in the stand-in's table
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;      // mapping or allocation failed
constexpr DWORD ERROR_NO_MORE_FILES = 18;         // a folder listing has ended
constexpr DWORD ERROR_NOT_SUPPORTED = 50;          // the back end cannot do it
constexpr DWORD ERROR_INVALID_PARAMETER = 87;     // a null or malformed argument
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;  // the caller's buffer is too small
constexpr DWORD ERROR_ALREADY_EXISTS = 183;       // the folder (or named object) exists already
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206; // a path or name longer than the call allows
constexpr DWORD ERROR_FILE_INVALID = 1006;        // e.g. mapping an empty file
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;  // invalid UTF-8 with MB_ERR_INVALID_CHARS

// Error of the last failing stand-in call on this thread.
DWORD GetLastError();
// Sets this thread's last error (the stand-in's calls use it too).
void SetLastError(DWORD error);
