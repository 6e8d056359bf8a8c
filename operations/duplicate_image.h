// The whole-card image a duplicate holds between reading the source card and writing the new
// one: one zero-filled memory block when the system gives one that large, else a temporary file
// "%s%04d.TMP" (the program folder and a number from the time-seeded generator, passing over
// names already taken) opened for this run alone. The file is closed and deleted when the image
// goes, on every way out of the run.
#pragma once

#include "operations/image_source.h"
#include "platform/win/system/types.h"

#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tarnlok {

class DuplicateImage {
 public:
  DuplicateImage() = default;
  ~DuplicateImage();
  DuplicateImage(const DuplicateImage&) = delete;
  DuplicateImage& operator=(const DuplicateImage&) = delete;

  // One zero-filled block of size bytes; false when the system refuses it.
  bool AllocateMemory(win::ULONGLONG size);
  // Creates the temporary file in folder (ending in a backslash); false when it cannot be made.
  bool CreateTemporaryFile(const std::string& folder);

  bool InMemory() const { return block_ != nullptr; }
  const std::string& TemporaryFileName() const { return fileName_; }

  // The memory image (empty for a file image).
  std::span<win::BYTE> Memory() const;
  // Appends bytes to the file image; false when the file took fewer.
  bool Append(std::span<const win::BYTE> bytes);
  // Ends the read phase: a file image is read from its start on.
  bool Rewind();
  // The image from its current position (the memory image from its start).
  ImageSource& Source();

  // Frees the block, closes and deletes the file; done by the destructor too.
  void Release();

 private:
  win::HGLOBAL block_ = nullptr;
  win::ULONGLONG size_ = 0;
  win::HANDLE file_ = win::INVALID_HANDLE_VALUE;
  std::string fileName_;
  std::unique_ptr<ImageSource> source_;
};

}  // namespace tarnlok
