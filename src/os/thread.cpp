// Threads, critical sections, events and mutexes (see thread.h). Waitable objects share one small
// interface so WaitForSingleObject can wait on any of them with a time-out.
#include "os/thread.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "os/user_internal.h"
#include "os/faultinject.h"

namespace {

class Waitable : public os::HandleObject {
 public:
  virtual DWORD Wait(DWORD ms) = 0;
};

template <class Pred>
bool WaitUntil(std::unique_lock<std::mutex>& lk, std::condition_variable& cv, DWORD ms, Pred pred) {
  if (ms == INFINITE) {
    cv.wait(lk, pred);
    return true;
  }
  return cv.wait_for(lk, std::chrono::milliseconds(ms), pred);
}

// ---- threads ----

struct ThreadState {
  std::mutex lock;
  std::condition_variable done;
  bool finished = false;
  DWORD exitCode = STILL_ACTIVE;
  DWORD id = 0;
  int priority = THREAD_PRIORITY_NORMAL;
};

class ThreadObject : public Waitable {
 public:
  std::shared_ptr<ThreadState> state = std::make_shared<ThreadState>();
  std::thread thread;
  ~ThreadObject() override {
    // Closing a handle never stops the thread: a finished one is joined, a running one detached.
    if (!thread.joinable()) return;
    bool finished;
    {
      std::lock_guard<std::mutex> g(state->lock);
      finished = state->finished;
    }
    if (finished && thread.get_id() != std::this_thread::get_id()) thread.join();
    else thread.detach();
  }
  DWORD Wait(DWORD ms) override {
    std::unique_lock<std::mutex> lk(state->lock);
    return WaitUntil(lk, state->done, ms, [&] { return state->finished; }) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
  }
};

// ---- events ----

class EventObject : public Waitable {
 public:
  std::mutex lock;
  std::condition_variable cv;
  bool manual = false;
  bool signalled = false;
  DWORD Wait(DWORD ms) override {
    std::unique_lock<std::mutex> lk(lock);
    if (!WaitUntil(lk, cv, ms, [&] { return signalled; })) return WAIT_TIMEOUT;
    if (!manual) signalled = false;
    return WAIT_OBJECT_0;
  }
};

// ---- mutexes ----

struct MutexState {
  std::mutex lock;
  std::condition_variable cv;
  DWORD owner = 0;  // thread id, 0 when free
  int depth = 0;
  std::string name;
  int lockFd = -1;  // held flock for a named mutex created first by this process
  std::string lockPath;
  ~MutexState() {
    if (lockFd < 0) return;
    // Removed while still held, so no lock file outlives the process that made it.
    unlink(lockPath.c_str());
    close(lockFd);
  }
};

class MutexObject : public Waitable {
 public:
  std::shared_ptr<MutexState> state;
  DWORD Wait(DWORD ms) override {
    DWORD me = GetCurrentThreadId();
    std::unique_lock<std::mutex> lk(state->lock);
    if (state->owner == me) {
      ++state->depth;
      return WAIT_OBJECT_0;
    }
    if (!WaitUntil(lk, state->cv, ms, [&] { return state->owner == 0; })) return WAIT_TIMEOUT;
    state->owner = me;
    state->depth = 1;
    return WAIT_OBJECT_0;
  }
};

std::mutex gNamedLock;
std::map<std::string, std::weak_ptr<MutexState>> gNamed;

std::string LockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (runtime && *runtime && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) && access(runtime, W_OK) == 0)
    return runtime;
  std::string folder = "/tmp/tallowmark-" + std::to_string(getuid());
  mkdir(folder.c_str(), 0700);
  return folder;
}

// File name for a mutex name: readable characters kept (shortened), plus a hash so that long or
// similar names never collide.
std::string LockFileFor(const std::string& name) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : name) {
    h ^= c;
    h *= 1099511628211ull;
  }
  std::string readable;
  for (char c : name) {
    if (readable.size() >= 60) break;
    readable.push_back(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' ? c : '_');
  }
  char hash[20];
  std::snprintf(hash, sizeof(hash), "%016llx", static_cast<unsigned long long>(h));
  return LockFolder() + "/" + readable + "-" + hash + ".lock";
}

// True when the open file is still the one the path names: a file another process found stale and
// removed after we opened it is no lock any more.
bool IsFileAt(int fd, const std::string& path) {
  struct stat opened, named;
  return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

// A lock file's name as LockFileFor makes them: "<readable>-<16 hex digits>.lock".
bool IsLockFileName(const char* name) {
  const size_t n = std::strlen(name);
  if (n < 22 || std::strcmp(name + n - 5, ".lock") != 0 || name[n - 22] != '-') return false;
  for (size_t i = n - 21; i < n - 5; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

// Removes the lock files no process holds: those of processes that were killed before they could
// remove their own. The lock is taken before the file goes, so a process that opened the file a
// moment earlier finds it gone (IsFileAt) and makes a new one.
void RemoveStaleLockFiles(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    if (!IsLockFileName(entry->d_name)) continue;
    const std::string path = folder + "/" + entry->d_name;
    int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && IsFileAt(fd, path)) unlink(path.c_str());
    close(fd);
  }
  closedir(dir);
}

// Opens and locks the file of a named mutex: the descriptor holding the lock, or -1 with `held`
// telling whether another process holds it (false: the file cannot be made at all).
int TakeLockFile(const std::string& path, bool* heldElsewhere) {
  *heldElsewhere = false;
  for (int attempt = 0; attempt < 16; ++attempt) {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      close(fd);
      *heldElsewhere = true;
      return -1;
    }
    if (IsFileAt(fd, path)) return fd;
    close(fd);  // removed as stale between our open and our lock: take the new file
  }
  return -1;
}

}  // namespace

// ---- threads ----

HANDLE CreateThread(void*, SIZE_T, LPTHREAD_START_ROUTINE proc, LPVOID param, DWORD flags, DWORD* threadId) {
  if (os::ShouldFail("CreateThread")) return nullptr;
  if (!proc || (flags & CREATE_SUSPENDED)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_shared<ThreadObject>();
  std::shared_ptr<ThreadState> state = object->state;
  object->thread = std::thread([state, proc, param] {
    {
      std::lock_guard<std::mutex> g(state->lock);
      state->id = GetCurrentThreadId();
      state->done.notify_all();
    }
    DWORD code = proc(param);
    os::user::ForgetThread(GetCurrentThreadId());
    std::lock_guard<std::mutex> g(state->lock);
    state->exitCode = code;
    state->finished = true;
    state->done.notify_all();
  });
  {
    std::unique_lock<std::mutex> lk(state->lock);
    state->done.wait(lk, [&] { return state->id != 0; });
  }
  if (threadId) *threadId = state->id;
  return os::NewHandle(object);
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
  auto t = os::LookupHandleAs<ThreadObject>(thread);
  if (!t) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> g(t->state->lock);
    t->state->priority = priority;
    if (t->state->finished) return TRUE;
  }
  if (t->thread.joinable()) {
    // Time-critical asks for real-time scheduling; without the privilege it quietly stays normal.
    sched_param sp{};
    if (priority >= THREAD_PRIORITY_TIME_CRITICAL) {
      sp.sched_priority = sched_get_priority_min(SCHED_FIFO);
      pthread_setschedparam(t->thread.native_handle(), SCHED_FIFO, &sp);
    }
  }
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  auto t = os::LookupHandleAs<ThreadObject>(thread);
  if (!t) return 0x7FFFFFFF;  // THREAD_PRIORITY_ERROR_RETURN
  std::lock_guard<std::mutex> g(t->state->lock);
  return t->state->priority;
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode) {
  auto t = os::LookupHandleAs<ThreadObject>(thread);
  if (!t || !exitCode) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> g(t->state->lock);
  *exitCode = t->state->finished ? t->state->exitCode : STILL_ACTIVE;
  return TRUE;
}

DWORD GetCurrentThreadId() { return os::user::CurrentThread(); }

HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2)); }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

// ---- critical sections ----

void InitializeCriticalSection(CRITICAL_SECTION* cs) {
  if (cs) cs->impl = new std::recursive_mutex;
}

void DeleteCriticalSection(CRITICAL_SECTION* cs) {
  if (!cs) return;
  delete static_cast<std::recursive_mutex*>(cs->impl);
  cs->impl = nullptr;
}

void EnterCriticalSection(CRITICAL_SECTION* cs) { static_cast<std::recursive_mutex*>(cs->impl)->lock(); }

BOOL TryEnterCriticalSection(CRITICAL_SECTION* cs) {
  return static_cast<std::recursive_mutex*>(cs->impl)->try_lock() ? TRUE : FALSE;
}

void LeaveCriticalSection(CRITICAL_SECTION* cs) { static_cast<std::recursive_mutex*>(cs->impl)->unlock(); }

// ---- events ----

HANDLE CreateEventA(void*, BOOL manualReset, BOOL initialState, LPCSTR) {
  if (os::ShouldFail("CreateEventA")) return nullptr;
  auto e = std::make_shared<EventObject>();
  e->manual = manualReset;
  e->signalled = initialState;
  SetLastError(0);
  return os::NewHandle(e);
}

BOOL SetEvent(HANDLE event) {
  auto e = os::LookupHandleAs<EventObject>(event);
  if (!e) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> g(e->lock);
  e->signalled = true;
  if (e->manual) e->cv.notify_all(); else e->cv.notify_one();
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  auto e = os::LookupHandleAs<EventObject>(event);
  if (!e) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> g(e->lock);
  e->signalled = false;
  return TRUE;
}

// ---- mutexes ----

HANDLE CreateMutexA(void*, BOOL initialOwner, LPCSTR name) {
  if (os::ShouldFail("CreateMutexA")) return nullptr;
  auto object = std::make_shared<MutexObject>();
  bool existed = false;
  if (name && *name) {
    std::lock_guard<std::mutex> g(gNamedLock);
    auto& slot = gNamed[name];
    object->state = slot.lock();
    if (object->state) {
      existed = true;
    } else {
      object->state = std::make_shared<MutexState>();
      object->state->name = name;
      slot = object->state;
      // Other processes: whoever holds the lock file's flock created the mutex first. A lock file
      // nobody holds is left by a killed process; they are cleared first so they never pile up.
      std::string path = LockFileFor(name);
      RemoveStaleLockFiles(path.substr(0, path.rfind('/')));
      bool heldElsewhere = false;
      int fd = TakeLockFile(path, &heldElsewhere);
      if (fd >= 0) {
        object->state->lockFd = fd;
        object->state->lockPath = path;
      }
      existed = heldElsewhere;
    }
  } else {
    object->state = std::make_shared<MutexState>();
  }
  if (initialOwner && !existed) {
    object->state->owner = GetCurrentThreadId();
    object->state->depth = 1;
  }
  HANDLE h = os::NewHandle(object);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : 0);
  return h;
}

BOOL ReleaseMutex(HANDLE mutex) {
  auto m = os::LookupHandleAs<MutexObject>(mutex);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> g(m->state->lock);
  if (m->state->owner != GetCurrentThreadId()) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  if (--m->state->depth == 0) {
    m->state->owner = 0;
    m->state->cv.notify_one();
  }
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD ms) {
  auto w = os::LookupHandleAs<Waitable>(handle);
  if (!w) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return w->Wait(ms);
}
