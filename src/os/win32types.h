// Basic Win32 scalar and handle types of the platform stand-in. Widths follow the 32-bit originals
// where stored formats depend on them; handles are small integers from the stand-in's own tables.
#pragma once
#include <cstdint>

using BYTE = uint8_t;                 // unsigned 8-bit
using WORD = uint16_t;                // unsigned 16-bit
using DWORD = uint32_t;               // unsigned 32-bit
using LONG = int32_t;                 // signed 32-bit
using ULONG = uint32_t;               // unsigned 32-bit
using UINT = uint32_t;                // unsigned 32-bit
using INT = int32_t;                  // signed 32-bit
using BOOL = int32_t;                 // 0 false, anything else true
using HRESULT = int32_t;              // COM result: negative is failure
using MMRESULT = uint32_t;            // WinMM result: 0 is success
using WPARAM = uintptr_t;             // message parameter, pointer-sized
using LPARAM = intptr_t;              // message parameter, pointer-sized
using LRESULT = intptr_t;             // window procedure result
using WCHAR = char16_t;               // wide text unit: UTF-16, never wchar_t
using LPCSTR = const char*;
using LPSTR = char*;
using LPCWSTR = const char16_t*;
using LPWSTR = char16_t*;

// Opaque handles: distinct types so they cannot be mixed up; values index the stand-in's tables.
using HANDLE = void*;
struct HWND__;      using HWND = HWND__*;
struct HINSTANCE__; using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

constexpr MMRESULT TIMERR_NOERROR = 0;     // timeBeginPeriod/timeEndPeriod succeeded
constexpr MMRESULT TIMERR_NOCANDO = 97;    // period out of the supported range
constexpr DWORD INFINITE = 0xFFFFFFFFu;    // wait without a time-out
