// Kernel object handles, the thread's last error and the test failure switches of the platform stand-in.
// Every HANDLE, HWND, HMODULE ... is a small integer that indexes one table here; the objects behind
// them (threads, events, mutexes, windows, modules, memory blocks) derive from os::HandleObject.
#pragma once
#include <memory>
#include <string>

#include "os/win32types.h"

constexpr DWORD ERROR_SUCCESS = 0;                   // no error
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;            // module or file not found
constexpr DWORD ERROR_INVALID_HANDLE = 6;            // handle is not in the table or of the wrong kind
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;         // allocation refused
constexpr DWORD ERROR_INVALID_PARAMETER = 87;        // bad argument
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;           // LoadLibrary found no loadable file
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;          // GetProcAddress found no such export
constexpr DWORD ERROR_ALREADY_EXISTS = 183;          // named object existed before (CreateMutexA)
constexpr DWORD ERROR_NOT_OWNER = 288;               // ReleaseMutex by a thread that does not own it
constexpr DWORD ERROR_ACCESS_DENIED = 5;             // refused (clipboard held by another thread)
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;  // HWND is not a live window
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;   // RegisterClass with a taken name
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;  // CreateWindowEx with an unknown class
constexpr DWORD ERROR_INVALID_INDEX = 1413;          // Get/SetWindowLong outside the extra bytes
constexpr DWORD ERROR_CLIPBOARD_NOT_OPEN = 1418;     // clipboard call without OpenClipboard
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;  // no version resource for that file

// Error code of the calling thread's last failing stand-in call (thread-local).
DWORD GetLastError();
// Sets the calling thread's last error.
void SetLastError(DWORD error);
// Closes a kernel object handle (thread, event, mutex, memory block). Windows are not closable.
BOOL CloseHandle(HANDLE h);

namespace os {

// Base of every object that a handle names.
class HandleObject {
 public:
  virtual ~HandleObject() = default;
  // Whether CloseHandle may remove it (windows and modules have their own destroy calls).
  virtual bool Closable() const { return true; }
};

// Enters an object into the table and returns its new handle (never reused within a process).
HANDLE AddHandle(std::shared_ptr<HandleObject> object);
// The object a handle names, or null.
std::shared_ptr<HandleObject> FindHandle(const void* handle);
template <class T>
std::shared_ptr<T> FindHandleAs(const void* handle) {
  return std::dynamic_pointer_cast<T>(FindHandle(handle));
}
// Removes a handle from the table; false when it was not there.
bool RemoveHandle(const void* handle);

// Test control: make the next `count` calls of the named stand-in function fail with `error`
// (e.g. "SetForegroundWindow", "TrackMouseEvent", "OpenClipboard", "GlobalAlloc", "CreateMutexA",
// "LoadLibraryA", "GetFileVersionInfoA", "CreateThread", "CreateEventA", "SetWindowPos").
void TestFailNext(const std::string& function, DWORD error, int count = 1);
// Clears every pending failure switch.
void TestClearFailures();
// Used by the stand-in itself: true (and the last error set) when a failure is armed for `function`.
bool ConsumeFailure(const char* function);

}  // namespace os
