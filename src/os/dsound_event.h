// Kernel event objects as the sound buffers' position notifications use them. Where the stand-in's
// shared sync objects (os/thread.h) are present they are used; until then a small private
// implementation with the same names stands in. Events live in the handle table (CloseHandle).
#pragma once
#if __has_include("os/thread.h")
#include "os/thread.h"
#else
#include "os/handles.h"
#include "os/win32types.h"

constexpr DWORD WAIT_OBJECT_0 = 0;          // the waited object was signalled
constexpr DWORD WAIT_TIMEOUT = 258;         // the time-out passed first
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;  // bad handle

// Creates an event (manual or auto-reset, initially signalled or not); names and security
// attributes are ignored. Answers the handle, or null (last error set) when creation is forced to
// fail through os::TestFailCall("CreateEventA", ...).
HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState, LPCSTR name);
// Signals the event: wakes waiters; an auto-reset event stays signalled until one wait consumes it.
BOOL SetEvent(HANDLE event);
// Clears the event's signal.
BOOL ResetEvent(HANDLE event);
// Waits up to ms milliseconds (INFINITE for no limit, 0 to poll): WAIT_OBJECT_0 when signalled
// (an auto-reset event is then cleared), WAIT_TIMEOUT, or WAIT_FAILED for a handle that is no event.
DWORD WaitForSingleObject(HANDLE handle, DWORD ms);
#endif
