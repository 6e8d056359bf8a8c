// The host drives (C: in the data folder, Z: the host root, and host paths given as they are)
// behind the volume interface. Its paths are host paths. Names that Windows cannot spell
// (with '\', ':', '*', '?', '"', '<', '>', '|' or control characters) are left out of listings.
// Not provided: short (8.3) aliases, hidden and system attributes, volume labels.
#pragma once

#include "platform/win/card_volume.h"

namespace win {

class HostVolume final : public CardVolume {
 public:
  // The one host volume; it serves every host path.
  static const std::shared_ptr<HostVolume>& Instance();

  std::shared_ptr<IoObject> Open(std::string_view path, const OpenRequest& request, DWORD& error) override;
  std::optional<VolumeEntry> Query(std::string_view path, DWORD& error) override;
  std::optional<std::vector<VolumeEntry>> List(std::string_view folder, DWORD& error) override;
  DWORD Delete(std::string_view path) override;
  DWORD Rename(std::string_view from, std::string_view to) override;
  DWORD CreateFolder(std::string_view path) override;
  DWORD RemoveFolder(std::string_view path) override;
  std::optional<VolumeSpace> Space(std::string_view path, DWORD& error) override;
  std::optional<VolumeInformation> Information(std::string_view path, DWORD& error) override;
};

}  // namespace win
