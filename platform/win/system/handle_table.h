// The process's handle table: every kernel object a handle names (files, devices, find
// searches, file mappings) lives here until its last handle is closed.
#pragma once

#include "platform/win/types.h"

#include <memory>

namespace win {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
};

// Adds the object and answers its new handle; INVALID_HANDLE_VALUE when the table is full.
HANDLE InsertHandle(std::shared_ptr<KernelObject> object);

// The object behind a handle when it is open and of type T; null otherwise.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

// Removes the handle; the object dies with its last reference. A closed or unknown handle
// fails with ERROR_INVALID_HANDLE.
BOOL CloseHandle(HANDLE handle);

}  // namespace win
