// The image file a backup writes: created with exclusive access, appended to block by block, and
// either completed (header with the complete flag written last, after every body write succeeded
// and the file was flushed) or deleted, so that no partial image ever passes for a finished one.
#pragma once

#include "operations/fmb_image.h"
#include "platform/win/system/types.h"

#include <span>
#include <string>

namespace tarnlok {

class ImageFileWriter {
 public:
  ImageFileWriter() = default;
  ~ImageFileWriter();
  ImageFileWriter(const ImageFileWriter&) = delete;
  ImageFileWriter& operator=(const ImageFileWriter&) = delete;

  // Creates the file (an existing one is emptied); false when it cannot be created.
  bool Create(const std::string& path);
  bool IsOpen() const { return handle_ != win::INVALID_HANDLE_VALUE; }
  // Appends bytes; false when this or any earlier write failed (nothing more is written then).
  bool Append(std::span<const win::BYTE> bytes);
  bool Failed() const { return failed_; }
  // The system's error of the first write that failed.
  win::DWORD FailureError() const { return error_; }
  // Writes the header over the file's first bytes, flushes and closes; false (the file is then
  // deleted) when this or any earlier write failed.
  bool Complete(const FmbHeader& header);
  // Closes and deletes the file.
  void Discard();

 private:
  void Fail();
  win::HANDLE handle_ = win::INVALID_HANDLE_VALUE;
  std::string path_;
  bool failed_ = false;
  win::DWORD error_ = 0;
};

}  // namespace tarnlok
