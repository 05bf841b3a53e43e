// Private event objects for the sound buffers' position notifications (see dsound_event.h), built
// only while the shared sync objects are absent. A waiter holds its own reference to the object, so
// closing the handle meanwhile is safe.
#include "os/dsound_event.h"

#if !__has_include("os/thread.h")

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "os/faultinject.h"
#include "os/lasterror.h"

namespace {
struct EventObject : os::HandleObject {
  bool manualReset = false;
  bool signalled = false;
  std::mutex mutex;
  std::condition_variable cv;
};

std::shared_ptr<EventObject> Lookup(HANDLE h) {
  auto e = os::LookupHandleAs<EventObject>(h);
  if (!e) SetLastError(ERROR_INVALID_HANDLE);
  return e;
}
}  // namespace

HANDLE CreateEventA(void*, BOOL manualReset, BOOL initialState, LPCSTR) {
  if (os::ShouldFail("CreateEventA")) return nullptr;
  auto e = std::make_shared<EventObject>();
  e->manualReset = manualReset != FALSE;
  e->signalled = initialState != FALSE;
  return os::NewHandle(std::move(e));
}

BOOL SetEvent(HANDLE h) {
  auto e = Lookup(h);
  if (!e) return FALSE;
  {
    std::lock_guard<std::mutex> lock(e->mutex);
    e->signalled = true;
  }
  e->cv.notify_all();
  return TRUE;
}

BOOL ResetEvent(HANDLE h) {
  auto e = Lookup(h);
  if (!e) return FALSE;
  std::lock_guard<std::mutex> lock(e->mutex);
  e->signalled = false;
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE h, DWORD ms) {
  auto e = Lookup(h);
  if (!e) return WAIT_FAILED;
  std::unique_lock<std::mutex> lock(e->mutex);
  auto ready = [&e] { return e->signalled; };
  if (ms == INFINITE) {
    e->cv.wait(lock, ready);
  } else if (!e->cv.wait_for(lock, std::chrono::milliseconds(ms), ready)) {
    return WAIT_TIMEOUT;
  }
  if (!e->manualReset) e->signalled = false;
  return WAIT_OBJECT_0;
}
#endif
