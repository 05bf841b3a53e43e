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

// ---- windowing, threads and modules (appended by the windowing layer) ----
using SHORT = int16_t;                // signed 16-bit
using USHORT = uint16_t;              // unsigned 16-bit
using ATOM = uint16_t;                // registered class atom
using LONG_PTR = intptr_t;            // pointer-sized signed value (window extra bytes)
using ULONG_PTR = uintptr_t;          // pointer-sized unsigned value
using UINT_PTR = uintptr_t;           // pointer-sized unsigned value (timer ids)
using DWORD_PTR = uintptr_t;          // pointer-sized unsigned value
using SIZE_T = uintptr_t;             // byte count
using LPVOID = void*;                 // untyped pointer
using LPCVOID = const void*;          // untyped read-only pointer
using HGLOBAL = HANDLE;               // movable memory block (GlobalAlloc)
struct HICON__;   using HICON = HICON__*;     // icon: a stand-in table entry
using HCURSOR = HICON;                        // cursor: same table as icons
struct HBRUSH__;  using HBRUSH = HBRUSH__*;   // brush: a dummy table entry
struct HMENU__;   using HMENU = HMENU__*;     // menu: a dummy (no system menus here)
struct HDC__;     using HDC = HDC__*;         // device context: a table entry
using HGDIOBJ = void*;                        // any GDI object
using FARPROC = void (*)();                    // exported function, cast by the caller to its type

struct POINT { LONG x; LONG y; };                              // point in pixels
struct RECT { LONG left; LONG top; LONG right; LONG bottom; };  // rectangle, right/bottom exclusive

constexpr WORD LOWORD(uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<DWORD>((static_cast<WORD>(lo)) | (static_cast<DWORD>(static_cast<WORD>(hi)) << 16)));
}
constexpr WPARAM MAKEWPARAM(int lo, int hi) { return static_cast<WPARAM>(static_cast<DWORD>(MAKELPARAM(lo, hi))); }
constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(l))); }
constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<SHORT>(HIWORD(static_cast<uintptr_t>(l))); }

// ---- COM results, GUIDs and monitors (appended by the graphics layer) ----
struct GUID {                         // 128-bit identifier of adapters, devices and interfaces
  DWORD Data1; WORD Data2; WORD Data3; BYTE Data4[8];
};
using IID = GUID;                     // interface identifier
using CLSID = GUID;                   // class (device) identifier
using REFIID = const GUID&;           // interface identifier argument
using REFCLSID = const GUID&;         // class identifier argument
using LPGUID = GUID*;                 // optional identifier argument
inline bool operator==(const GUID& a, const GUID& b) {   // bytewise identity
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}
struct HMONITOR__; using HMONITOR = HMONITOR__*;   // display monitor: a table entry
constexpr HRESULT S_OK = 0;                                            // success
constexpr HRESULT S_FALSE = 1;                                         // success, answer "no"
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);       // not offered by the stand-in
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);   // unknown interface asked for
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);       // null pointer argument
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);          // unspecified failure
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);   // allocation failed
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);    // bad argument
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }               // success codes are >= 0
constexpr bool FAILED(HRESULT hr) { return hr < 0; }                   // failure codes are negative
