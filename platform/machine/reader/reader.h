// One reader of the machine as the system sees it: its firmware and card slot, and the two
// device objects the system makes of it, the volume (\\.\E:) and the physical drive
// (\\.\PhysicalDriveN). Each device object keeps its open handles with Windows sharing, its
// lock (FSCTL_LOCK_VOLUME) and the rules of access while locked. Reads and writes on the volume
// count from the partition's start, on the physical drive from the card's first sector; the
// partition table is read again when the card changes and when a device object is dismounted,
// unlocked or last closed, and with it the FAT volume shown on the reader's drive letter
// (drive_mount.h). A volume lock is refused while files of the volume are open, and a locked
// volume refuses file services.
#pragma once

#include "platform/machine/ata/ata_device.h"
#include "platform/machine/cards/card_slot.h"
#include "platform/machine/nt/drive_mount.h"
#include "platform/win/layouts/volume_window.h"
#include "platform/machine/reader/reader_firmware.h"

#include "platform/win/host/host_share_table.h"
#include "platform/win/system/types.h"

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace machine {

enum class DeviceRole { Volume, PhysicalDrive };

using HandleId = std::uint64_t;

// The card in a reader's slot as a person sees it: what it is, and whether the reader reaches
// it (not after a START STOP UNIT eject or once an injected fault pulled it).
struct HeldCard {
  CardDescription description;
  bool reachable = false;
};

// What the disk queries need of the medium, taken under the reader's lock.
struct MediumView {
  std::uint64_t cardSectors = 0;
  win::VolumeWindow window;
};

class Reader : public std::enable_shared_from_this<Reader> {
 public:
  // deviceNumber: the N of \\.\PhysicalDriveN, none for drives without one; identity keeps the
  // reader's device objects apart from every other reader's in the sharing table. ataInScsi:
  // SCSI blocks may carry ATA commands (IDE and PCMCIA readers on NT4).
  Reader(ReaderDescription description, Road road, std::optional<std::uint32_t> deviceNumber, std::uint64_t identity,
         bool ataInScsi = false);
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  const ReaderDescription& Description() const { return description_; }
  std::optional<std::uint32_t> DeviceNumber() const { return deviceNumber_; }
  // Floppy drives have no SCSI road.
  bool AnswersScsi() const { return description_.bus != Bus::Floppy; }
  // IDE, PCMCIA and LS-120 drives sit on an ATA channel.
  bool AnswersAta() const;

  // The card in the slot; replaced cards and taken cards re-read the partition table.
  void InsertCard(std::unique_ptr<CardMedia> card);
  std::unique_ptr<CardMedia> TakeCard();
  bool HoldsCard() const;
  // The card in the slot; none when the slot is empty.
  std::optional<HeldCard> Held() const;
  // Sets the card's write-protect switch; false when the slot is empty.
  bool SetWriteProtected(bool value);
  bool ReaderLocked() const;

  // Shows the card's volume on the reader's drive letter from now on (the machine is
  // installed), or takes it away.
  void AttachDrive();
  void DetachDrive();
  // The FAT volume on the drive letter; null when none is mounted.
  std::shared_ptr<FatCardVolume> Volume() const;
  // Sector transfers of the file services, from the card's first sector; they bypass handle
  // locks and do not count as commands.
  win::DWORD ReadCard(std::uint64_t firstSector, std::span<std::uint8_t> data);
  win::DWORD WriteCard(std::uint64_t firstSector, std::span<const std::uint8_t> data);

  // Opens a handle on a device object: ERROR_SHARING_VIOLATION against the other handles'
  // sharing, ERROR_ACCESS_DENIED while another handle holds the lock.
  win::DWORD Open(DeviceRole role, win::DWORD desiredAccess, win::DWORD shareMode, HandleId& id);
  void Close(DeviceRole role, HandleId id);

  // Whole sectors at a byte offset of the device object.
  win::DWORD Read(DeviceRole role, HandleId id, std::uint64_t offset, std::span<win::BYTE> data);
  win::DWORD Write(DeviceRole role, HandleId id, std::uint64_t offset, std::span<const win::BYTE> data);
  // The device object's size in bytes; ERROR_NOT_READY without a card.
  win::DWORD Size(DeviceRole role, std::uint64_t& bytes);

  win::DWORD Lock(DeviceRole role, HandleId id);
  win::DWORD Unlock(DeviceRole role, HandleId id);
  win::DWORD Dismount(DeviceRole role, HandleId id);

  win::DWORD PassThrough(std::span<const win::BYTE> input, std::span<win::BYTE> output, win::DWORD& returned);
  // Runs one SCSI request on the firmware (the backend road for tests and later transports).
  void Execute(ScsiRequest& request);
  // Runs one ATA command on the reader's device (ata_command.h); only for AnswersAta() readers.
  AtaResult ExecuteAta(const AtaTaskFile& taskFile, std::span<std::uint8_t> in, std::span<const std::uint8_t> out);

  std::optional<MediumView> Medium() const;
  std::vector<win::BYTE> DeviceDescriptor() const;

 private:
  struct OpenHandle {
    HandleId id;
    win::DWORD shareAccess;
    win::ShareTicket ticket;
  };
  struct DeviceObject {
    std::vector<OpenHandle> handles;
    std::optional<HandleId> lockHolder;
  };

  DeviceObject& ObjectOf(DeviceRole role) { return objects_[static_cast<std::size_t>(role)]; }
  win::FileIdentity IdentityOf(DeviceRole role) const;
  void RereadPartitionTable(RefreshCause cause = RefreshCause::Reread);
  // Grants the device object's lock to the handle; volume receives the FAT volume to lock.
  win::DWORD TakeLock(DeviceRole role, HandleId id, std::shared_ptr<FatCardVolume>& volume);
  // ERROR_ACCESS_DENIED when another handle holds the device object's lock.
  win::DWORD CheckNotLockedOut(DeviceRole role, HandleId id);
  // The card and the sector range of a transfer at a byte offset of the device object.
  win::DWORD Locate(DeviceRole role, std::uint64_t offset, std::size_t bytes, CardMedia*& card, std::uint64_t& sector);

  // One sector transfer through a handle: lock, range and the command count around move.
  template <class Data, class Move>
  win::DWORD Transfer(DeviceRole role, HandleId id, std::uint64_t offset, Data data, Move move);

  ReaderDescription description_;
  std::optional<std::uint32_t> deviceNumber_;
  std::uint64_t identity_;
  bool ataInScsi_;
  mutable std::mutex mutex_;
  CardSlot slot_;
  ReaderFirmware firmware_;
  win::VolumeWindow window_;
  std::array<DeviceObject, 2> objects_;
  DriveMount mount_;
  HandleId nextHandle_ = 1;
};

}  // namespace machine
