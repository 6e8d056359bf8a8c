#include "operations/duplicate_image.h"

#include "platform/win/system/c_random.h"
#include "platform/win/files/files.h"
#include "platform/win/system/global_memory.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/system/last_error.h"
#include "platform/win/system/system_clock.h"

#include <cstdio>
#include <limits>

namespace tarnlok {
namespace {

constexpr int kTemporaryNameAttempts = 100;

}  // namespace

DuplicateImage::~DuplicateImage() { Release(); }

bool DuplicateImage::AllocateMemory(win::ULONGLONG size) {
  if (size > std::numeric_limits<std::size_t>::max()) return false;
  block_ = win::GlobalAlloc(win::GPTR, static_cast<std::size_t>(size));
  size_ = block_ != nullptr ? size : 0;
  return block_ != nullptr;
}

bool DuplicateImage::CreateTemporaryFile(const std::string& folder) {
  win::srand(static_cast<unsigned>(win::time(nullptr)));
  // The file is deleted when the run ends: a name already taken in the folder is passed over,
  // never overwritten, so that nothing of the user's goes with it.
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    char name[512];
    std::snprintf(name, sizeof name, "%s%04d.TMP", folder.c_str(), win::rand());
    file_ = win::CreateFileA(name, win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr, win::CREATE_NEW,
                             win::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ != win::INVALID_HANDLE_VALUE) {
      fileName_ = name;
      return true;
    }
    if (win::GetLastError() != win::ERROR_FILE_EXISTS) return false;
  }
  return false;
}

std::span<win::BYTE> DuplicateImage::Memory() const {
  if (block_ == nullptr) return {};
  return {static_cast<win::BYTE*>(block_), static_cast<std::size_t>(size_)};
}

bool DuplicateImage::Append(std::span<const win::BYTE> bytes) {
  win::DWORD written = 0;
  return file_ != win::INVALID_HANDLE_VALUE &&
         win::WriteFile(file_, bytes.data(), static_cast<win::DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool DuplicateImage::Rewind() {
  if (block_ != nullptr) {
    source_ = std::make_unique<MemoryImageSource>(Memory());
    return true;
  }
  // Every Append went to the file unbuffered, so it reads back as written; the file is deleted
  // at the end of the run, and forcing it onto the disk first would only cost the user time.
  if (file_ == win::INVALID_HANDLE_VALUE ||
      !win::SetFilePointerEx(file_, win::LARGE_INTEGER{}, nullptr, win::FILE_BEGIN))
    return false;
  source_ = std::make_unique<FileImageSource>(file_);
  return true;
}

ImageSource& DuplicateImage::Source() {
  // Before Rewind there is nothing to read back.
  if (!source_) source_ = std::make_unique<MemoryImageSource>(std::span<const win::BYTE>{});
  return *source_;
}

void DuplicateImage::Release() {
  source_.reset();
  if (block_ != nullptr) win::GlobalFree(block_);
  block_ = nullptr;
  size_ = 0;
  if (file_ != win::INVALID_HANDLE_VALUE) {
    win::CloseHandle(file_);
    win::DeleteFileA(fileName_.c_str());
  }
  file_ = win::INVALID_HANDLE_VALUE;
  fileName_.clear();
}

}  // namespace tarnlok
