#include "recovery/carve_output.h"

#include "platform/win/files/files.h"

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
  return true;
}

bool CarveOutput::FlushBuffer() {
  if (!file_ || buffered_ == 0) return true;
  const std::size_t count = buffered_;
  buffered_ = 0;
  try {
    file_->Write(buffer_.data(), static_cast<win::UINT>(count));
  } catch (const win::CFileException& error) {
    return error.m_cause != win::CFileException::diskFull;
  }
  return true;
}

bool CarveOutput::Append(std::span<const std::uint8_t> bytes) {
  if (!file_) return true;
  length_ += bytes.size();
  while (!bytes.empty()) {
    const std::size_t take = std::min(bytes.size(), buffer_.size() - buffered_);
    std::memcpy(buffer_.data() + buffered_, bytes.data(), take);
    buffered_ += take;
    bytes = bytes.subspan(take);
    if (buffered_ == buffer_.size() && !FlushBuffer()) return false;
  }
  return true;
}

bool CarveOutput::CutTo(std::uint64_t length) {
  if (!file_) return true;
  const bool flushed = FlushBuffer();
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

bool CarveOutput::Close() {
  if (!file_) return true;
  const bool flushed = FlushBuffer();
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
