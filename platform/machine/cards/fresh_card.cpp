#include "platform/machine/fresh_card.h"

#include "platform/machine/factory_format.h"
#include "platform/machine/flash_card.h"
#include "platform/machine/flash_factory.h"
#include "platform/machine/image_file_device.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace machine {
namespace {

[[noreturn]] void Refuse(const CardDescription& card, const std::string& why) {
  throw MachineDescriptionError("card image " + card.image.string() + " cannot be made: " + why);
}

// Creates the file at its full size; the sectors read as zeros until they are written.
void CreateEmptyImage(const CardDescription& card) {
  std::error_code ignored;
  std::filesystem::create_directories(card.image.parent_path(), ignored);
  const int fd = ::open(card.image.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) Refuse(card, std::generic_category().message(errno));
  const bool sized = ::ftruncate(fd, static_cast<off_t>(card.sectors * SectorDevice::kSectorSize)) == 0;
  const int error = errno;
  ::close(fd);
  if (!sized) {
    std::filesystem::remove(card.image, ignored);
    Refuse(card, std::generic_category().message(error));
  }
}

}  // namespace

bool MakeFreshCardImage(const CardDescription& card, std::uint32_t serial) {
  std::error_code error;
  if (std::filesystem::exists(card.image, error) || error) return false;
  if (IsRawFlash(card.kind)) {
    MakeFreshFlashImage(card, serial);
    return true;
  }
  const FactoryLayout layout = FactoryLayoutFor(card.kind, card.sectors);
  CreateEmptyImage(card);
  auto device = ImageFileDevice::Open(card.image, false);
  const IoStatus formatted = device ? FactoryFormat(**device, layout, serial) : IoStatus(device.failure());
  if (!formatted) {
    std::filesystem::remove(card.image, error);
    Refuse(card, "error " + std::to_string(formatted.error()) + " while formatting");
  }
  return true;
}

}  // namespace machine
