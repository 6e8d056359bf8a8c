#include "platform/machine/reader/reader.h"

#include "platform/machine/cards/card_sectors.h"
#include "platform/machine/nt/disk_layouts.h"
#include "platform/machine/nt/pass_through.h"

#include "platform/win/system/last_error.h"

#include <algorithm>
#include <array>

namespace machine {
namespace {

// Device objects of the machine share the sharing table with host files under a device number
// no host file system uses.
constexpr std::uint64_t kMachineDeviceId = UINT64_MAX;

}  // namespace

Reader::Reader(ReaderDescription description, Road road, std::optional<std::uint32_t> deviceNumber,
               std::uint64_t identity, bool ataInScsi)
    : description_(std::move(description)),
      deviceNumber_(deviceNumber),
      identity_(identity),
      ataInScsi_(ataInScsi),
      firmware_(description_, road, slot_, [this] { RereadPartitionTable(); }),
      mount_(description_.letter) {}

win::FileIdentity Reader::IdentityOf(DeviceRole role) const {
  return {kMachineDeviceId, identity_ * 2 + static_cast<std::uint64_t>(role)};
}

void Reader::RereadPartitionTable(RefreshCause cause) {
  CardMedia* card = slot_.Card();
  mount_.Refresh(weak_from_this(), card, ObjectOf(DeviceRole::Volume).lockHolder.has_value(), cause);
  if (card == nullptr) {
    window_ = {};
    return;
  }
  std::array<std::uint8_t, kSectorSize> sector0{};
  if (card->Sectors() == 0 || card->Read(0, sector0) != MediaResult::Ok) {
    window_ = {0, card->Sectors(), 0, false};
    return;
  }
  window_ = win::FindVolumeWindow(sector0, card->Sectors());
}

void Reader::AttachDrive() {
  std::lock_guard guard(mutex_);
  mount_.Activate(weak_from_this(), slot_.Card(), ObjectOf(DeviceRole::Volume).lockHolder.has_value());
}

void Reader::DetachDrive() {
  std::lock_guard guard(mutex_);
  mount_.Deactivate();
}

std::shared_ptr<FatCardVolume> Reader::Volume() const {
  std::lock_guard guard(mutex_);
  return mount_.Volume();
}

win::DWORD Reader::ReadCard(std::uint64_t firstSector, std::span<std::uint8_t> data) {
  std::lock_guard guard(mutex_);
  CardMedia* card = slot_.Card();
  return card == nullptr ? win::ERROR_NOT_READY : ErrorOfMedia(card->Read(firstSector, data));
}

win::DWORD Reader::WriteCard(std::uint64_t firstSector, std::span<const std::uint8_t> data) {
  std::lock_guard guard(mutex_);
  CardMedia* card = slot_.Card();
  return card == nullptr ? win::ERROR_NOT_READY : ErrorOfMedia(card->Write(firstSector, data));
}

void Reader::InsertCard(std::unique_ptr<CardMedia> card) {
  std::lock_guard guard(mutex_);
  slot_.Insert(std::move(card));
  RereadPartitionTable();
}

std::unique_ptr<CardMedia> Reader::TakeCard() {
  std::lock_guard guard(mutex_);
  auto card = slot_.Take();
  RereadPartitionTable();
  return card;
}

bool Reader::HoldsCard() const {
  std::lock_guard guard(mutex_);
  return slot_.HoldsCard();
}

std::optional<HeldCard> Reader::Held() const {
  std::lock_guard guard(mutex_);
  const CardMedia* card = slot_.Held();
  if (card == nullptr) return std::nullopt;
  return HeldCard{card->Description(), slot_.Card() != nullptr};
}

bool Reader::SetWriteProtected(bool value) {
  std::lock_guard guard(mutex_);
  CardMedia* card = slot_.Held();
  if (card == nullptr) return false;
  card->SetWriteProtected(value);
  return true;
}

bool Reader::ReaderLocked() const {
  std::lock_guard guard(mutex_);
  return firmware_.ReaderLocked();
}

win::DWORD Reader::Open(DeviceRole role, win::DWORD desiredAccess, win::DWORD shareMode, HandleId& id) {
  std::lock_guard guard(mutex_);
  DeviceObject& object = ObjectOf(role);
  const win::DWORD shareAccess = win::ShareAccessOf(desiredAccess, false);
  if (object.lockHolder && shareAccess != 0) return win::ERROR_ACCESS_DENIED;
  win::ShareTicket ticket = 0;
  const std::string name = role == DeviceRole::Volume ? std::string(1, description_.letter) + ":"
                                                      : "PhysicalDrive" + std::to_string(deviceNumber_.value_or(0));
  const win::DWORD error = win::RegisterOpen(IdentityOf(role), name, shareAccess, shareMode, false, ticket);
  if (error != win::ERROR_SUCCESS) return error;
  id = nextHandle_++;
  object.handles.push_back({id, shareAccess, ticket});
  return win::ERROR_SUCCESS;
}

void Reader::Close(DeviceRole role, HandleId id) {
  std::lock_guard guard(mutex_);
  DeviceObject& object = ObjectOf(role);
  const auto found = std::find_if(object.handles.begin(), object.handles.end(),
                                  [id](const OpenHandle& handle) { return handle.id == id; });
  if (found == object.handles.end()) return;
  win::ReleaseOpen(IdentityOf(role), found->ticket);
  object.handles.erase(found);
  const bool heldLock = object.lockHolder == id;
  if (heldLock) object.lockHolder.reset();
  if (heldLock || object.handles.empty()) RereadPartitionTable();
}

win::DWORD Reader::CheckNotLockedOut(DeviceRole role, HandleId id) {
  const auto& holder = ObjectOf(role).lockHolder;
  return holder && *holder != id ? win::ERROR_ACCESS_DENIED : win::ERROR_SUCCESS;
}

win::DWORD Reader::Locate(DeviceRole role, std::uint64_t offset, std::size_t bytes, CardMedia*& card,
                          std::uint64_t& sector) {
  card = slot_.Card();
  if (card == nullptr) return win::ERROR_NOT_READY;
  // Raw device access works in whole sectors at sector boundaries.
  if (offset % kSectorSize != 0 || bytes % kSectorSize != 0) return win::ERROR_INVALID_PARAMETER;
  const win::VolumeWindow whole{0, card->Sectors(), 0, false};
  const win::VolumeWindow& window = role == DeviceRole::Volume ? window_ : whole;
  const std::uint64_t first = offset / kSectorSize;
  const std::uint64_t count = bytes / kSectorSize;
  if (first > window.sectors || count > window.sectors - first) return win::ERROR_SECTOR_NOT_FOUND;
  sector = window.firstSector + first;
  return win::ERROR_SUCCESS;
}

template <class Data, class Move>
win::DWORD Reader::Transfer(DeviceRole role, HandleId id, std::uint64_t offset, Data data, Move move) {
  std::lock_guard guard(mutex_);
  if (const win::DWORD error = CheckNotLockedOut(role, id); error != win::ERROR_SUCCESS) return error;
  CardMedia* card = nullptr;
  std::uint64_t sector = 0;
  if (const win::DWORD error = Locate(role, offset, data.size(), card, sector); error != win::ERROR_SUCCESS) {
    return error;
  }
  const win::DWORD error = ErrorOfMedia(move(*card, sector, data));
  slot_.CountCommand();
  return error;
}

win::DWORD Reader::Read(DeviceRole role, HandleId id, std::uint64_t offset, std::span<win::BYTE> data) {
  return Transfer(role, id, offset, data, [](CardMedia& card, std::uint64_t sector, std::span<win::BYTE> bytes) {
    return card.Read(sector, bytes);
  });
}

win::DWORD Reader::Write(DeviceRole role, HandleId id, std::uint64_t offset, std::span<const win::BYTE> data) {
  return Transfer(role, id, offset, data, [](CardMedia& card, std::uint64_t sector, std::span<const win::BYTE> bytes) {
    return card.Write(sector, bytes);
  });
}

win::DWORD Reader::Size(DeviceRole role, std::uint64_t& bytes) {
  std::lock_guard guard(mutex_);
  const CardMedia* card = slot_.Card();
  if (card == nullptr) return win::ERROR_NOT_READY;
  bytes = (role == DeviceRole::Volume ? window_.sectors : card->Sectors()) * kSectorSize;
  return win::ERROR_SUCCESS;
}

win::DWORD Reader::TakeLock(DeviceRole role, HandleId id, std::shared_ptr<FatCardVolume>& volume) {
  std::lock_guard guard(mutex_);
  DeviceObject& object = ObjectOf(role);
  if (object.lockHolder) return win::ERROR_ACCESS_DENIED;
  // The lock is granted only to the one handle that uses the device object.
  const bool othersOpen = std::any_of(object.handles.begin(), object.handles.end(), [id](const OpenHandle& handle) {
    return handle.id != id && handle.shareAccess != 0;
  });
  if (othersOpen) return win::ERROR_ACCESS_DENIED;
  object.lockHolder = id;
  if (role == DeviceRole::Volume) volume = mount_.Volume();
  return win::ERROR_SUCCESS;
}

win::DWORD Reader::Lock(DeviceRole role, HandleId id) {
  std::shared_ptr<FatCardVolume> volume;
  if (const win::DWORD error = TakeLock(role, id, volume); error != win::ERROR_SUCCESS || !volume) return error;
  // The volume is asked outside the reader's mutex: its file services take the volume's mutex
  // before the reader's. Locking first closes the door on opens racing the check.
  volume->SetLocked(true);
  if (!volume->HasOpenFiles()) return win::ERROR_SUCCESS;
  volume->SetLocked(false);
  std::lock_guard guard(mutex_);
  DeviceObject& object = ObjectOf(role);
  if (object.lockHolder == id) object.lockHolder.reset();
  return win::ERROR_ACCESS_DENIED;
}

win::DWORD Reader::Unlock(DeviceRole role, HandleId id) {
  std::lock_guard guard(mutex_);
  DeviceObject& object = ObjectOf(role);
  if (object.lockHolder != id) return win::ERROR_NOT_LOCKED;
  object.lockHolder.reset();
  RereadPartitionTable();
  return win::ERROR_SUCCESS;
}

win::DWORD Reader::Dismount(DeviceRole role, HandleId id) {
  std::lock_guard guard(mutex_);
  if (const win::DWORD error = CheckNotLockedOut(role, id); error != win::ERROR_SUCCESS) return error;
  RereadPartitionTable(RefreshCause::Dismount);
  return win::ERROR_SUCCESS;
}

win::DWORD Reader::PassThrough(std::span<const win::BYTE> input, std::span<win::BYTE> output, win::DWORD& returned) {
  std::lock_guard guard(mutex_);
  if (!ataInScsi_) return RunScsiPassThrough(firmware_, input, output, returned);
  const AtaDevice device{description_, firmware_, slot_.Card()};
  AtaInScsiTarget target(device);
  return RunScsiPassThrough(target, input, output, returned);
}

void Reader::Execute(ScsiRequest& request) {
  std::lock_guard guard(mutex_);
  firmware_.Execute(request);
}

bool Reader::AnswersAta() const {
  return description_.bus == Bus::Ide || description_.bus == Bus::Pcmcia || description_.bus == Bus::Ls120;
}

AtaResult Reader::ExecuteAta(const AtaTaskFile& taskFile, std::span<std::uint8_t> in,
                             std::span<const std::uint8_t> out) {
  std::lock_guard guard(mutex_);
  return RunAtaCommand({description_, firmware_, slot_.Card()}, taskFile, in, out);
}

std::optional<MediumView> Reader::Medium() const {
  std::lock_guard guard(mutex_);
  const CardMedia* card = slot_.Card();
  if (card == nullptr) return std::nullopt;
  return MediumView{card->Sectors(), window_};
}

std::vector<win::BYTE> Reader::DeviceDescriptor() const {
  std::lock_guard guard(mutex_);
  constexpr std::size_t kStandardInquiry = 36;
  const auto inquiry = InquiryData(description_, slot_.Card());
  return StorageDeviceDescriptor(description_, std::span(inquiry).first(kStandardInquiry));
}

}  // namespace machine
