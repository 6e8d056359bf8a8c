// An open volume handle that is closed exactly once: by Close, or when it goes.
#pragma once

#include "platform/win/system/types.h"

namespace tarnlok {

class DriveHandle {
 public:
  DriveHandle() = default;
  explicit DriveHandle(win::HANDLE handle) : handle_(handle) {}
  ~DriveHandle() { Close(); }
  DriveHandle(DriveHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = win::INVALID_HANDLE_VALUE; }
  DriveHandle& operator=(DriveHandle&& other) noexcept;
  DriveHandle(const DriveHandle&) = delete;
  DriveHandle& operator=(const DriveHandle&) = delete;

  // INVALID_HANDLE_VALUE once closed, so that later commands fail instead of reaching another object.
  win::HANDLE get() const { return handle_; }
  bool IsOpen() const { return handle_ != win::INVALID_HANDLE_VALUE; }
  void Close();

 private:
  win::HANDLE handle_ = win::INVALID_HANDLE_VALUE;
};

// Opens "\\.\X:" for reading and writing: sharing read and write, read, read and write, read.
DriveHandle OpenCardVolume(char letter);

}  // namespace tarnlok
