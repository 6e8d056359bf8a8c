// Reading the card's sectors, for the raw scan, the cluster walk, the file-system pass and the
// writers that look ahead on the card (compound documents, TIFF directories). The run gives it
// the road it opened (reader commands, drive letter, raw flash block map); tests give an image.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace recovery {

class SectorSource {
 public:
  virtual ~SectorSource() = default;
  virtual std::uint32_t BytesPerSector() const = 0;
  // Sectors on the medium (reads past it fail).
  virtual std::uint64_t SectorCount() const = 0;
  // Reads buffer.size() / BytesPerSector() sectors from first; false when any of them failed,
  // and then which sectors of the buffer hold the card's bytes is unknown.
  virtual bool Read(std::uint64_t first, std::span<std::uint8_t> buffer) = 0;
};

// A raw image file (a Windows or host path) read as a card of 512-byte sectors.
class ImageSectorSource : public SectorSource {
 public:
  explicit ImageSectorSource(const std::string& path, std::uint32_t bytesPerSector = 512);
  ~ImageSectorSource() override;
  ImageSectorSource(const ImageSectorSource&) = delete;
  ImageSectorSource& operator=(const ImageSectorSource&) = delete;

  bool IsOpen() const;
  std::uint32_t BytesPerSector() const override { return bytesPerSector_; }
  std::uint64_t SectorCount() const override { return sectorCount_; }
  bool Read(std::uint64_t first, std::span<std::uint8_t> buffer) override;

 private:
  void* handle_;
  std::uint32_t bytesPerSector_;
  std::uint64_t sectorCount_ = 0;
};

}  // namespace recovery
