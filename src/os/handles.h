// The stand-in's handle table: kernel-object handles (files, mappings, searches, and later events,
// mutexes and threads) are small integers that index shared objects, never real pointers.
// CloseHandle drops the table's reference; an object lives on while a call still holds it.
#pragma once
#include <memory>

#include "os/win32types.h"

// Returned by CreateFileW and FindFirstFileW on failure (all bits set, as on Windows).
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(~uintptr_t(0)))

namespace os {
// Base of every object a handle can name; its destructor releases the Linux resource.
struct HandleObject {
  virtual ~HandleObject() = default;
};

// Enters an object into the table and answers its new handle (multiples of 4 from 0x100).
HANDLE NewHandle(std::shared_ptr<HandleObject> object);
// The object behind a handle, null for an unknown or closed handle.
std::shared_ptr<HandleObject> LookupHandle(HANDLE handle);
// The object behind a handle when it has the wanted type, else null.
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}
// Number of handles open in the table (tests use it to find leaks).
int TestOpenHandleCount();
}  // namespace os

// Removes the handle from the table; FALSE with ERROR_INVALID_HANDLE when it is not open.
BOOL CloseHandle(HANDLE handle);
