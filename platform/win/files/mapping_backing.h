// The memory behind a file mapping. A named mapping lives in a file of the data folder's
// "objects" folder, so that every process of the user that uses the same data folder sees it
// and no other does. Each process that holds the mapping keeps a shared flock on its file; a
// file that no process holds is a mapping that no longer exists (its last holder closed it or
// was killed), and is emptied before it is used again. Creating and opening take an exclusive
// lock on the folder's guard file first, so that testing for holders and joining them is one step.
#pragma once

#include "platform/win/types.h"

#include <filesystem>
#include <memory>
#include <string_view>

namespace win {

class MappingBacking {
 public:
  ~MappingBacking();
  MappingBacking(const MappingBacking&) = delete;
  MappingBacking& operator=(const MappingBacking&) = delete;

  // A named mapping: the existing one when some process holds it (existed = true, its size
  // unchanged), else a new one of size bytes, all zero. Null with error set on failure.
  static std::unique_ptr<MappingBacking> CreateNamed(std::string_view name, ULONGLONG size, bool& existed,
                                                     DWORD& error);
  // The named mapping some process holds; null with ERROR_FILE_NOT_FOUND when none does.
  static std::unique_ptr<MappingBacking> OpenNamed(std::string_view name, DWORD& error);
  // Memory of this process only, all zero.
  static std::unique_ptr<MappingBacking> CreateUnnamed(ULONGLONG size, DWORD& error);

  int descriptor() const { return descriptor_; }
  ULONGLONG size() const { return size_; }

 private:
  MappingBacking(int descriptor, ULONGLONG size, std::filesystem::path file);

  int descriptor_;
  ULONGLONG size_;
  std::filesystem::path file_;  // empty for an unnamed mapping
};

}  // namespace win
