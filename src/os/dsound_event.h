// Kernel event objects as the sound buffers' position notifications use them. A small private
// implementation kept beside the sound code until the stand-in's shared sync objects exist; the
// definitions are weak so that the shared ones take over when both are linked. Events live in the
// stand-in's handle table and are closed with CloseHandle.
#pragma once
#include "os/handles.h"
#include "os/win32types.h"

// Creates an event (manual or auto-reset, initially signalled or not); names and security
// attributes are ignored. Answers the handle, or null (last error set) when creation is forced to
// fail through os::TestFailCall("CreateEventA", ...).
HANDLE CreateEventA(void* attributes, BOOL manualReset, BOOL initialState, LPCSTR name);
// Signals the event: wakes waiters; an auto-reset event stays signalled until one wait consumes it.
BOOL SetEvent(HANDLE event);
// Clears the event's signal.
BOOL ResetEvent(HANDLE event);
// Waits up to ms milliseconds (INFINITE for no limit, 0 to poll): WAIT_OBJECT_0 when signalled
// (an auto-reset event is then cleared), WAIT_TIMEOUT, or WAIT_FAILED for a handle that is no event.
DWORD WaitForSingleObject(HANDLE handle, DWORD ms);
