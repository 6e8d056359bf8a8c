// The outcome of a machine operation: a value, or the Windows error number the caller reports.
#pragma once

#include "platform/win/system/last_error.h"

#include <utility>
#include <variant>

namespace machine {

// A failure carrying a Windows error number (never ERROR_SUCCESS).
struct IoError {
  win::DWORD code;
};

template <class T>
class [[nodiscard]] IoResult {
 public:
  IoResult(T value) : state_(std::move(value)) {}
  IoResult(IoError error) : state_(error) {}

  // True when the operation succeeded.
  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  // ERROR_SUCCESS on success, the failure's number otherwise.
  win::DWORD error() const { return ok() ? win::ERROR_SUCCESS : std::get<1>(state_).code; }
  // The failure, for handing on to a caller of another result type.
  IoError failure() const { return std::get<1>(state_); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

 private:
  std::variant<T, IoError> state_;
};

// The outcome of an operation that answers nothing but success or an error.
using IoStatus = IoResult<std::monostate>;

// The success value of an IoStatus.
inline IoStatus IoOk() { return std::monostate{}; }

// An IoStatus from a Windows error number, ERROR_SUCCESS meaning success.
inline IoStatus StatusOf(win::DWORD code) {
  if (code == win::ERROR_SUCCESS) return IoOk();
  return IoError{code};
}

}  // namespace machine
