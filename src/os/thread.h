// Threads, critical sections, events and mutexes of the platform stand-in (KERNEL32), over
// std::thread and POSIX. A named mutex is also visible to other processes of the same user through a
// lock file held with flock, so a second copy of the program sees ERROR_ALREADY_EXISTS. Lock files
// that no process holds (their process was killed) are removed whenever a named mutex is made.
#pragma once
#include <string>

#include "os/handles.h"
#include "os/windowerrors.h"

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID);  // thread procedure

constexpr DWORD STILL_ACTIVE = 259;            // GetExitCodeThread while the thread runs
constexpr DWORD WAIT_OBJECT_0 = 0;             // the object was signalled (or the mutex taken)
constexpr DWORD WAIT_ABANDONED = 0x80;         // a mutex whose owner thread ended holding it
constexpr DWORD WAIT_TIMEOUT = 258;            // time-out elapsed
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;      // bad handle
constexpr int THREAD_PRIORITY_LOWEST = -2, THREAD_PRIORITY_BELOW_NORMAL = -1, THREAD_PRIORITY_NORMAL = 0,
              THREAD_PRIORITY_ABOVE_NORMAL = 1, THREAD_PRIORITY_HIGHEST = 2,
              THREAD_PRIORITY_TIME_CRITICAL = 15, THREAD_PRIORITY_IDLE = -15;
constexpr DWORD CREATE_SUSPENDED = 0x4;        // not supported: CreateThread refuses it

// Starts a thread running proc(param); the handle keeps its exit code after it ends.
HANDLE CreateThread(void* security, SIZE_T stackSize, LPTHREAD_START_ROUTINE proc, LPVOID param, DWORD flags,
                    DWORD* threadId);
// Records the priority and asks the scheduler for it (real-time priorities need privileges; without
// them the request is kept but has no effect). Returns TRUE for a live thread handle.
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);
// STILL_ACTIVE while running, then the procedure's result.
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);
DWORD GetCurrentThreadId();   // our own thread numbering (the message queues use it too)
HANDLE GetCurrentThread();    // pseudo handle of the calling thread
DWORD GetCurrentProcessId();  // getpid

struct CRITICAL_SECTION {     // recursive lock; Initialize before use, Delete after
  void* impl;
};
void InitializeCriticalSection(CRITICAL_SECTION* cs);
void DeleteCriticalSection(CRITICAL_SECTION* cs);
void EnterCriticalSection(CRITICAL_SECTION* cs);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* cs);
void LeaveCriticalSection(CRITICAL_SECTION* cs);

// Manual- or auto-reset event; names are process-local.
HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Recursive mutex owned by a thread. With a name: the same object for every CreateMutexA of this
// process with that name, and a lock file that other processes see. When the name already existed
// here or in another process, a valid handle comes back, GetLastError() is ERROR_ALREADY_EXISTS and
// the initial ownership is not granted.
HANDLE CreateMutexA(void* security, BOOL initialOwner, LPCSTR name);
BOOL ReleaseMutex(HANDLE mutex);

// Waits for a thread to end, an event to be set or a mutex to be free (then takes it).
DWORD WaitForSingleObject(HANDLE handle, DWORD ms);
