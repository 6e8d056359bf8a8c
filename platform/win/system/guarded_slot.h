// One replaceable value shared by every thread, such as a hook another part of the platform
// installs (the device opener, the desktop launcher).
#pragma once

#include <mutex>
#include <utility>

namespace win {

template <class T>
class GuardedSlot {
 public:
  void Set(T value) {
    std::lock_guard guard(lock_);
    value_ = std::move(value);
  }

  // A copy, so the caller may use it without holding the lock.
  T Get() const {
    std::lock_guard guard(lock_);
    return value_;
  }

 private:
  mutable std::mutex lock_;
  T value_{};
};

}  // namespace win
