#include "recovery/sector_source.h"

#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

namespace recovery {

ImageSectorSource::ImageSectorSource(const std::string& path, std::uint32_t bytesPerSector)
    : handle_(win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ, nullptr, win::OPEN_EXISTING, 0,
                               nullptr)),
      bytesPerSector_(bytesPerSector == 0 ? 512 : bytesPerSector) {
  win::LARGE_INTEGER size{};
  if (IsOpen() && win::GetFileSizeEx(handle_, &size))
    sectorCount_ = static_cast<std::uint64_t>(size.QuadPart) / bytesPerSector_;
}

ImageSectorSource::~ImageSectorSource() {
  if (IsOpen()) win::CloseHandle(handle_);
}

bool ImageSectorSource::IsOpen() const { return handle_ != win::INVALID_HANDLE_VALUE && handle_ != nullptr; }

bool ImageSectorSource::Read(std::uint64_t first, std::span<std::uint8_t> buffer) {
  const std::uint64_t count = buffer.size() / bytesPerSector_;
  if (!IsOpen() || first >= sectorCount_ || count > sectorCount_ - first) return false;
  win::LARGE_INTEGER position{};
  position.QuadPart = static_cast<win::LONGLONG>(first * bytesPerSector_);
  if (!win::SetFilePointerEx(handle_, position, nullptr, win::FILE_BEGIN)) return false;
  win::DWORD got = 0;
  return win::ReadFile(handle_, buffer.data(), static_cast<win::DWORD>(buffer.size()), &got, nullptr) &&
         got == buffer.size();
}

}  // namespace recovery
