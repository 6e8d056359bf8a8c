#include "recovery/carve_output.h"

#include "platform/win/files/files.h"
#include "platform/win/system/last_error.h"

#include <algorithm>
#include <cstring>

namespace recovery {

namespace {
constexpr std::size_t kBufferBytes = 1 << 20;
}

CarveOutput::CarveOutput() : buffer_(kBufferBytes) {}

CarveOutput::~CarveOutput() {
  if (file_) file_->Abort();
}

bool CarveOutput::Create(const std::string& path) {
  Close();
  if (win::GetFileAttributesA(path.c_str()) != win::INVALID_FILE_ATTRIBUTES) return false;
  auto file = std::make_unique<win::CFile>();
  if (!file->Open(path.c_str(), win::CFile::modeCreate | win::CFile::modeReadWrite | win::CFile::shareDenyWrite))
    return false;
  file_ = std::move(file);
  path_ = path;
  buffered_ = 0;
  length_ = 0;
  whole_ = true;
  lastError_ = 0;
  return true;
}

WriteStatus CarveOutput::FlushBuffer() {
  if (!file_ || buffered_ == 0) return WriteStatus::Written;
  const std::size_t count = buffered_;
  buffered_ = 0;
  try {
    file_->Write(buffer_.data(), static_cast<win::UINT>(count));
  } catch (const win::CFileException& error) {
    whole_ = false;
    const bool full = error.m_cause == win::CFileException::diskFull;
    // A short write has no system error of its own: it is the full disk's.
    const win::DWORD fallback = full ? win::ERROR_DISK_FULL : win::ERROR_WRITE_FAULT;
    lastError_ = error.m_lOsError > 0 ? static_cast<win::DWORD>(error.m_lOsError) : fallback;
    return full ? WriteStatus::DiskFull : WriteStatus::Failed;
  }
  return WriteStatus::Written;
}

WriteStatus CarveOutput::Append(std::span<const std::uint8_t> bytes) {
  if (!file_) return WriteStatus::Written;
  length_ += bytes.size();
  WriteStatus status = WriteStatus::Written;
  while (!bytes.empty()) {
    const std::size_t take = std::min(bytes.size(), buffer_.size() - buffered_);
    std::memcpy(buffer_.data() + buffered_, bytes.data(), take);
    buffered_ += take;
    bytes = bytes.subspan(take);
    if (buffered_ == buffer_.size()) {
      const WriteStatus flushed = FlushBuffer();
      if (flushed == WriteStatus::DiskFull) return flushed;
      if (flushed != WriteStatus::Written) status = flushed;
    }
  }
  return status;
}

WriteStatus CarveOutput::CutTo(std::uint64_t length) {
  if (!file_) return WriteStatus::Written;
  const WriteStatus flushed = FlushBuffer();
  if (length < length_) {
    try {
      file_->SetLength(length);
      length_ = length;
    } catch (const win::CFileException&) {
      // The kept file keeps its full length.
    }
  }
  return flushed;
}

WriteStatus CarveOutput::Close() {
  if (!file_) return WriteStatus::Written;
  const WriteStatus flushed = FlushBuffer();
  file_->Abort();
  file_.reset();
  return flushed;
}

void CarveOutput::Discard() {
  if (file_) {
    buffered_ = 0;
    file_->Abort();
    file_.reset();
  }
  if (!path_.empty()) win::DeleteFileA(path_.c_str());
}

}  // namespace recovery
