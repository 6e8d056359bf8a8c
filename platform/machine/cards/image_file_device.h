// A sector device over a region of a host image file, read and written in place with
// positional I/O, so that every read sees the file as it is now.
#pragma once

#include "platform/machine/cards/sector_device.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace machine {

class ImageFileDevice final : public SectorDevice {
 public:
  // Opens the file for reading (and writing unless readOnly). The device starts `byteOffset`
  // bytes into the file and holds `sectorCount` sectors, or every whole sector after the
  // offset when none is given. Fails with ERROR_FILE_NOT_FOUND or ERROR_ACCESS_DENIED.
  static IoResult<std::unique_ptr<ImageFileDevice>> Open(const std::filesystem::path& path, bool readOnly,
                                                         std::uint64_t byteOffset = 0,
                                                         std::optional<std::uint64_t> sectorCount = {});
  ~ImageFileDevice() override;
  ImageFileDevice(const ImageFileDevice&) = delete;
  ImageFileDevice& operator=(const ImageFileDevice&) = delete;

  std::uint64_t SectorCount() const override { return sectorCount_; }
  IoStatus ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) override;
  IoStatus WriteSectors(std::uint64_t first, std::span<const std::uint8_t> data) override;

 private:
  ImageFileDevice(int fd, bool readOnly, std::uint64_t byteOffset, std::uint64_t sectorCount);

  int fd_;
  bool readOnly_;
  std::uint64_t byteOffset_;
  std::uint64_t sectorCount_;
};

}  // namespace machine
