// The output file of one carve: created in the output folder, appended unit by unit through a
// buffer (a unit is one card sector, far too small for one system call each), cut back, kept or
// deleted. Each write tells whether it reached the disk; a file some of whose bytes were lost is
// no longer whole, and is not to be counted as recovered.
#pragma once

#include "platform/win/files/cfile.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace recovery {

enum class WriteStatus { Written, DiskFull, Failed };

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

  // Not Written when bytes buffered so far could not be written; those bytes are then lost.
  WriteStatus Append(std::span<const std::uint8_t> bytes);
  // Flushes and closes; the status of that last write.
  WriteStatus Close();
  // Flushes, then cuts the file to length when it is longer.
  WriteStatus CutTo(std::uint64_t length);
  // Closes (when open) and deletes the file.
  void Discard();

  // Every byte handed over since Create reached the file (also after Close).
  bool Whole() const { return whole_; }
  // The system's error of the last write that failed.
  win::DWORD LastError() const { return lastError_; }

 private:
  WriteStatus FlushBuffer();

  std::unique_ptr<win::CFile> file_;
  std::string path_;
  std::vector<std::uint8_t> buffer_;
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
  bool whole_ = true;
  win::DWORD lastError_ = 0;
};

}  // namespace recovery
