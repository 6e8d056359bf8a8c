// The file services of a drive whose card holds no volume the FAT driver recognises (or whose
// first sectors cannot be read): every call answers the one error, as Windows answers
// ERROR_UNRECOGNIZED_VOLUME for an unformatted card.
#pragma once

#include "platform/win/card_volume.h"

namespace machine {

class UnmountableVolume final : public win::CardVolume {
 public:
  explicit UnmountableVolume(win::DWORD error) : error_(error) {}

  std::shared_ptr<win::IoObject> Open(std::string_view path, const win::OpenRequest& request,
                                      win::DWORD& error) override;
  std::optional<win::VolumeEntry> Query(std::string_view path, win::DWORD& error) override;
  std::optional<std::vector<win::VolumeEntry>> List(std::string_view folder, win::DWORD& error) override;
  win::DWORD Delete(std::string_view path) override;
  win::DWORD Rename(std::string_view from, std::string_view to) override;
  win::DWORD CreateFolder(std::string_view path) override;
  win::DWORD RemoveFolder(std::string_view path) override;
  std::optional<win::VolumeSpace> Space(std::string_view path, win::DWORD& error) override;
  std::optional<win::VolumeInformation> Information(std::string_view path, win::DWORD& error) override;

 private:
  win::DWORD error_;
};

}  // namespace machine
