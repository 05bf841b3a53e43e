// Error codes of the windowing, module, thread, version and clipboard calls of the stand-in (the file
// layer's codes and GetLastError itself are in lasterror.h).
#pragma once
#include "os/lasterror.h"

constexpr DWORD ERROR_MOD_NOT_FOUND = 126;            // LoadLibrary found no loadable file
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;           // GetProcAddress found no such export
constexpr DWORD ERROR_NOT_OWNER = 288;                // ReleaseMutex by a thread that does not own it
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;   // HWND is not a live window
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;   // CreateWindowEx with an unknown class
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;    // RegisterClass with a taken name
constexpr DWORD ERROR_INVALID_INDEX = 1413;           // Get/SetWindowLong outside the extra bytes
constexpr DWORD ERROR_CLIPBOARD_NOT_OPEN = 1418;      // clipboard call without OpenClipboard
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813; // no version resource for that file
