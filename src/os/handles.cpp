// The stand-in's single handle table, the thread-local last error and the failure switches for tests.
#include "os/handles.h"

#include <map>
#include <mutex>
#include <unordered_map>

namespace {
thread_local DWORD tLastError = 0;

struct Table {
  std::mutex lock;
  std::unordered_map<uintptr_t, std::shared_ptr<os::HandleObject>> objects;
  uintptr_t next = 1;
};
Table& GetTable() {
  static Table* table = new Table;  // outlives static destructors of callers
  return *table;
}

struct Failures {
  std::mutex lock;
  std::map<std::string, std::pair<DWORD, int>> armed;
};
Failures& GetFailures() {
  static Failures* f = new Failures;
  return *f;
}
}  // namespace

DWORD GetLastError() { return tLastError; }
void SetLastError(DWORD error) { tLastError = error; }

BOOL CloseHandle(HANDLE h) {
  auto object = os::FindHandle(h);
  if (!object || !object->Closable()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  os::RemoveHandle(h);
  return TRUE;
}

namespace os {

HANDLE AddHandle(std::shared_ptr<HandleObject> object) {
  Table& t = GetTable();
  std::lock_guard<std::mutex> guard(t.lock);
  // Multiples of four, as the original's handles are; small enough for "%x" and "%d".
  uintptr_t value = t.next++ * 4;
  t.objects[value] = std::move(object);
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<HandleObject> FindHandle(const void* handle) {
  Table& t = GetTable();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == t.objects.end() ? nullptr : it->second;
}

bool RemoveHandle(const void* handle) {
  std::shared_ptr<HandleObject> doomed;  // released outside the lock: destructors may use the table
  {
    Table& t = GetTable();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == t.objects.end()) return false;
    doomed = std::move(it->second);
    t.objects.erase(it);
  }
  return true;
}

void TestFailNext(const std::string& function, DWORD error, int count) {
  Failures& f = GetFailures();
  std::lock_guard<std::mutex> guard(f.lock);
  f.armed[function] = {error, count};
}

void TestClearFailures() {
  Failures& f = GetFailures();
  std::lock_guard<std::mutex> guard(f.lock);
  f.armed.clear();
}

bool ConsumeFailure(const char* function) {
  Failures& f = GetFailures();
  std::lock_guard<std::mutex> guard(f.lock);
  auto it = f.armed.find(function);
  if (it == f.armed.end()) return false;
  SetLastError(it->second.first);
  if (--it->second.second <= 0) f.armed.erase(it);
  return true;
}

}  // namespace os
