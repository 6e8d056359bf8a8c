#include "platform/machine/fat_card_file.h"

#include "platform/win/file_position.h"
#include "platform/win/files.h"
#include "platform/win/last_error.h"

namespace machine {

FatCardFile::FatCardFile(std::shared_ptr<FatCardVolume> volume, std::uint64_t id, win::ShareTicket ticket,
                         win::DWORD desiredAccess)
    : volume_(std::move(volume)),
      id_(id),
      ticket_(ticket),
      canRead_((desiredAccess & (win::GENERIC_READ | win::GENERIC_ALL | win::GENERIC_EXECUTE)) != 0),
      canWrite_((desiredAccess & (win::GENERIC_WRITE | win::GENERIC_ALL)) != 0) {}

FatCardFile::~FatCardFile() { volume_->CloseOpen(id_, ticket_); }

win::BOOL FatCardFile::Read(std::span<win::BYTE> buffer, win::DWORD& bytesRead) {
  bytesRead = 0;
  if (!canRead_) return win::Fail(win::ERROR_ACCESS_DENIED);
  auto read = volume_->ReadOpen(id_, position_, buffer);
  if (!read) return win::Fail(read.error());
  bytesRead = static_cast<win::DWORD>(*read);
  position_ += *read;
  return win::TRUE;
}

win::BOOL FatCardFile::Write(std::span<const win::BYTE> data, win::DWORD& bytesWritten) {
  bytesWritten = 0;
  if (!canWrite_) return win::Fail(win::ERROR_ACCESS_DENIED);
  if (auto written = volume_->WriteOpen(id_, position_, data); !written) return win::Fail(written.error());
  bytesWritten = static_cast<win::DWORD>(data.size());
  position_ += data.size();
  return win::TRUE;
}

win::BOOL FatCardFile::Seek(win::LONGLONG distance, win::DWORD method, win::ULONGLONG& newPosition) {
  win::ULONGLONG size = 0;
  if (method == win::FILE_END) {
    auto known = volume_->SizeOfOpen(id_);
    if (!known) return win::Fail(known.error());
    size = *known;
  }
  win::DWORD error = win::ERROR_SUCCESS;
  const auto target = win::SeekTarget(position_, size, distance, method, error);
  if (!target) return win::Fail(error);
  position_ = *target;
  newPosition = position_;
  return win::TRUE;
}

win::BOOL FatCardFile::Flush() { return win::TRUE; }

std::optional<win::ULONGLONG> FatCardFile::Size() {
  auto size = volume_->SizeOfOpen(id_);
  if (!size) {
    win::SetLastError(size.error());
    return std::nullopt;
  }
  return *size;
}

win::BOOL FatCardFile::SetEnd() {
  if (!canWrite_) return win::Fail(win::ERROR_ACCESS_DENIED);
  if (auto resized = volume_->ResizeOpen(id_, position_); !resized) return win::Fail(resized.error());
  return win::TRUE;
}

}  // namespace machine
