// Private event objects for the sound buffers' position notifications (see dsound_event.h).
// Live events are kept in a set, so a foreign or closed handle is refused rather than used.
#include "os/dsound_event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>

namespace {
struct EventObject {
  bool manualReset = false;
  bool signalled = false;
  std::mutex mutex;
  std::condition_variable cv;
};

std::mutex gLiveMutex;
std::set<EventObject*>& Live() {
  static std::set<EventObject*> live;
  return live;
}

// Looks the handle up among the live events. Waiting on an event while another thread closes it is
// a caller error, as on the original.
EventObject* FromHandle(HANDLE h) {
  std::lock_guard<std::mutex> lock(gLiveMutex);
  auto* e = static_cast<EventObject*>(h);
  return Live().count(e) ? e : nullptr;
}
}  // namespace

__attribute__((weak)) HANDLE CreateEventA(void*, BOOL manualReset, BOOL initialState, LPCSTR) {
  auto* e = new EventObject;
  e->manualReset = manualReset != FALSE;
  e->signalled = initialState != FALSE;
  std::lock_guard<std::mutex> lock(gLiveMutex);
  Live().insert(e);
  return e;
}

__attribute__((weak)) BOOL SetEvent(HANDLE h) {
  EventObject* e = FromHandle(h);
  if (!e) return FALSE;
  {
    std::lock_guard<std::mutex> lock(e->mutex);
    e->signalled = true;
  }
  e->cv.notify_all();
  return TRUE;
}

__attribute__((weak)) BOOL ResetEvent(HANDLE h) {
  EventObject* e = FromHandle(h);
  if (!e) return FALSE;
  std::lock_guard<std::mutex> lock(e->mutex);
  e->signalled = false;
  return TRUE;
}

__attribute__((weak)) DWORD WaitForSingleObject(HANDLE h, DWORD ms) {
  EventObject* e = FromHandle(h);
  if (!e) return WAIT_FAILED;
  std::unique_lock<std::mutex> lock(e->mutex);
  auto ready = [e] { return e->signalled; };
  if (ms == INFINITE) {
    e->cv.wait(lock, ready);
  } else if (!e->cv.wait_for(lock, std::chrono::milliseconds(ms), ready)) {
    return WAIT_TIMEOUT;
  }
  if (!e->manualReset) e->signalled = false;
  return WAIT_OBJECT_0;
}

__attribute__((weak)) BOOL CloseHandle(HANDLE h) {
  auto* e = static_cast<EventObject*>(h);
  {
    std::lock_guard<std::mutex> lock(gLiveMutex);
    if (!Live().erase(e)) return FALSE;
  }
  delete e;
  return TRUE;
}
