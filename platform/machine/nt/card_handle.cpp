#include "platform/machine/nt/card_handle.h"

#include "platform/win/files/files.h"
#include "platform/win/system/last_error.h"

#include <limits>

namespace machine {
namespace {

bool WantsRead(win::DWORD access) { return (access & (win::GENERIC_READ | win::GENERIC_ALL)) != 0; }
bool WantsWrite(win::DWORD access) { return (access & (win::GENERIC_WRITE | win::GENERIC_ALL)) != 0; }

win::BOOL Answer(win::DWORD error) { return error == win::ERROR_SUCCESS ? win::TRUE : win::Fail(error); }

}  // namespace

std::shared_ptr<CardHandle> CardHandle::Open(std::shared_ptr<Reader> reader, DeviceRole role, win::DWORD desiredAccess,
                                             win::DWORD shareMode, win::DWORD& error) {
  HandleId id = 0;
  error = reader->Open(role, desiredAccess, shareMode, id);
  if (error != win::ERROR_SUCCESS) return nullptr;
  return std::make_shared<CardHandle>(std::move(reader), role, id, desiredAccess);
}

CardHandle::CardHandle(std::shared_ptr<Reader> reader, DeviceRole role, HandleId id, win::DWORD desiredAccess)
    : reader_(std::move(reader)),
      role_(role),
      id_(id),
      canRead_(WantsRead(desiredAccess)),
      canWrite_(WantsWrite(desiredAccess)) {}

CardHandle::~CardHandle() { reader_->Close(role_, id_); }

win::BOOL CardHandle::Read(std::span<win::BYTE> buffer, win::DWORD& bytesRead) {
  bytesRead = 0;
  if (!canRead_) return win::Fail(win::ERROR_ACCESS_DENIED);
  const win::DWORD error = reader_->Read(role_, id_, position_, buffer);
  if (error != win::ERROR_SUCCESS) return win::Fail(error);
  bytesRead = static_cast<win::DWORD>(buffer.size());
  position_ += buffer.size();
  return win::TRUE;
}

win::BOOL CardHandle::Write(std::span<const win::BYTE> data, win::DWORD& bytesWritten) {
  bytesWritten = 0;
  if (!canWrite_) return win::Fail(win::ERROR_ACCESS_DENIED);
  const win::DWORD error = reader_->Write(role_, id_, position_, data);
  if (error != win::ERROR_SUCCESS) return win::Fail(error);
  bytesWritten = static_cast<win::DWORD>(data.size());
  position_ += data.size();
  return win::TRUE;
}

win::BOOL CardHandle::Seek(win::LONGLONG distance, win::DWORD method, win::ULONGLONG& newPosition) {
  win::LONGLONG base = 0;
  if (method == win::FILE_CURRENT) {
    base = static_cast<win::LONGLONG>(position_);
  } else if (method == win::FILE_END) {
    std::uint64_t size = 0;
    if (const win::DWORD error = reader_->Size(role_, size); error != win::ERROR_SUCCESS) return win::Fail(error);
    base = static_cast<win::LONGLONG>(size);
  } else if (method != win::FILE_BEGIN) {
    return win::Fail(win::ERROR_INVALID_PARAMETER);
  }
  if ((distance < 0 && base + distance < 0) ||
      (distance > 0 && base > std::numeric_limits<win::LONGLONG>::max() - distance)) {
    return win::Fail(win::ERROR_NEGATIVE_SEEK);
  }
  position_ = static_cast<win::ULONGLONG>(base + distance);
  newPosition = position_;
  return win::TRUE;
}

win::BOOL CardHandle::Flush() { return win::TRUE; }

std::optional<win::ULONGLONG> CardHandle::Size() {
  std::uint64_t size = 0;
  if (!Answer(reader_->Size(role_, size))) return std::nullopt;
  return size;
}

}  // namespace machine
