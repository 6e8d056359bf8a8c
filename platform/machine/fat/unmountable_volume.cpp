#include "platform/machine/unmountable_volume.h"

namespace machine {

std::shared_ptr<win::IoObject> UnmountableVolume::Open(std::string_view, const win::OpenRequest&, win::DWORD& error) {
  error = error_;
  return nullptr;
}

std::optional<win::VolumeEntry> UnmountableVolume::Query(std::string_view, win::DWORD& error) {
  error = error_;
  return std::nullopt;
}

std::optional<std::vector<win::VolumeEntry>> UnmountableVolume::List(std::string_view, win::DWORD& error) {
  error = error_;
  return std::nullopt;
}

win::DWORD UnmountableVolume::Delete(std::string_view) { return error_; }
win::DWORD UnmountableVolume::Rename(std::string_view, std::string_view) { return error_; }
win::DWORD UnmountableVolume::CreateFolder(std::string_view) { return error_; }
win::DWORD UnmountableVolume::RemoveFolder(std::string_view) { return error_; }

std::optional<win::VolumeSpace> UnmountableVolume::Space(std::string_view, win::DWORD& error) {
  error = error_;
  return std::nullopt;
}

std::optional<win::VolumeInformation> UnmountableVolume::Information(std::string_view, win::DWORD& error) {
  error = error_;
  return std::nullopt;
}

}  // namespace machine
