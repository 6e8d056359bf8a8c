// The output file of one carve: created in the output folder, appended unit by unit through a
// buffer (a unit is one card sector, far too small for one system call each), cut back, kept or
// deleted. A full output disk is reported; any other write failure is passed over.
#pragma once

#include "platform/win/files/cfile.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace recovery {

class CarveOutput {
 public:
  CarveOutput();
  ~CarveOutput();
  CarveOutput(const CarveOutput&) = delete;
  CarveOutput& operator=(const CarveOutput&) = delete;

  // Creates the file (an existing one is refused, so nothing recovered earlier is replaced).
  bool Create(const std::string& path);
  bool IsOpen() const { return file_ != nullptr; }
  const std::string& Path() const { return path_; }
  // Bytes handed to Append since Create.
  std::uint64_t Length() const { return length_; }

  // False when the output disk is full; the bytes are then lost.
  bool Append(std::span<const std::uint8_t> bytes);
  // Flushes and closes; false when the disk filled up on the way.
  bool Close();
  // Flushes, then cuts the file to length when it is longer.
  bool CutTo(std::uint64_t length);
  // Closes (when open) and deletes the file.
  void Discard();

 private:
  bool FlushBuffer();

  std::unique_ptr<win::CFile> file_;
  std::string path_;
  std::vector<std::uint8_t> buffer_;
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

}  // namespace recovery
