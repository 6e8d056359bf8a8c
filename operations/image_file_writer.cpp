#include "operations/image_file_writer.h"

#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/system/last_error.h"

namespace tarnlok {

ImageFileWriter::~ImageFileWriter() { Discard(); }

bool ImageFileWriter::Create(const std::string& path) {
  Discard();
  handle_ = win::CreateFileA(path.c_str(), win::GENERIC_WRITE, 0, nullptr, win::CREATE_ALWAYS, 0, nullptr);
  if (!IsOpen()) return false;
  path_ = path;
  failed_ = false;
  error_ = 0;
  return true;
}

void ImageFileWriter::Fail() {
  if (!failed_) error_ = win::GetLastError();
  failed_ = true;
}

bool ImageFileWriter::Append(std::span<const win::BYTE> bytes) {
  if (failed_ || !IsOpen()) return false;
  win::DWORD written = 0;
  const auto size = static_cast<win::DWORD>(bytes.size());
  if (!win::WriteFile(handle_, bytes.data(), size, &written, nullptr) || written != size) Fail();
  return !failed_;
}

bool ImageFileWriter::Complete(const FmbHeader& header) {
  if (!IsOpen()) return false;
  if (!failed_ && !win::FlushFileBuffers(handle_)) Fail();
  if (!failed_ && win::SetFilePointer(handle_, 0, nullptr, win::FILE_BEGIN) != 0) Fail();
  if (!failed_) Append(WriteFmbHeader(header));
  if (!failed_ && !win::FlushFileBuffers(handle_)) Fail();
  if (failed_) {
    Discard();
    return false;
  }
  const bool closed = win::CloseHandle(handle_) != 0;
  handle_ = win::INVALID_HANDLE_VALUE;
  if (!closed) {
    Fail();
    win::DeleteFileA(path_.c_str());
  }
  return closed;
}

void ImageFileWriter::Discard() {
  if (!IsOpen()) return;
  win::CloseHandle(handle_);
  handle_ = win::INVALID_HANDLE_VALUE;
  win::DeleteFileA(path_.c_str());
}

}  // namespace tarnlok
