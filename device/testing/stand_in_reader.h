// Stand-in card readers for the device tests: a reader object behind "\\.\X:" that answers the
// pass-through, storage, lock and sector requests the way a described reader does, and a card
// volume behind the letter for the file services. Each reader records the commands it got.
#pragma once

#include "device/storage_layouts.h"
#include "device/testing/card_images.h"
#include "platform/win/devices/card_volume.h"
#include "platform/win/system/io_object.h"
#include "platform/win/system/last_error.h"
#include "platform/win/system/windows_version.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnlok::test_support {

enum class VendorForm { None, CommandFirst, CommandLast };

struct ReaderSetup {
  std::optional<win::DWORD> storageBusType = 7;  // nullopt: the storage query fails
  std::string vendor = "Kestro  ";
  std::string product = "USB CF Reader   ";
  std::string revision = "1.00";
  win::DWORD inquiryStatus = 0;  // inquiry bytes 36-39
  VendorForm vendorForm = VendorForm::None;
  win::DWORD statusWord = 0;  // reply of kVendorStatus
  std::array<win::BYTE, 4> geometryReply{};  // reply of kVendorGeometry
  std::array<win::BYTE, 4> lockReply{};  // reply of kVendorLock and kVendorUnlock with a card
  bool answersReadCapacity = true;
  std::optional<std::array<win::DWORD, 2>> readCapacityReply;  // last block, block length (else from the image)
  std::optional<std::array<win::BYTE, 512>> identify;  // IDENTIFY data (IDE readers)
  bool identifyAnswersSlaveOnly = false;
  std::optional<std::array<win::BYTE, 512>> slaveIdentify;  // set: master and slave both answer, each its own
  bool smartFails = false;
  std::vector<win::BYTE> image;  // the card's sectors; empty: no card
  bool writeProtected = false;
  bool shortReads = false;  // READ(10) and ATA READ SECTORS move one sector less than asked
  std::optional<int> pulledAfterCommands;
  std::string storageVendorText = "Kestro";  // descriptor texts
  std::string storageProductText = "USB CF Reader";
};

class StandInReader final : public win::IoObject {
 public:
  explicit StandInReader(ReaderSetup setup) : setup_(std::move(setup)) {}

  win::BOOL Read(std::span<win::BYTE> buffer, win::DWORD& bytesRead) override;
  win::BOOL Write(std::span<const win::BYTE> data, win::DWORD& bytesWritten) override;
  win::BOOL Seek(win::LONGLONG distance, win::DWORD method, win::ULONGLONG& newPosition) override;
  win::BOOL Flush() override { return win::TRUE; }
  std::optional<win::ULONGLONG> Size() override { return setup_.image.size(); }
  win::BOOL IoControl(win::DWORD code, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                      win::DWORD& bytesReturned) override;

  ReaderSetup& Setup() { return setup_; }
  // CDBs of the pass-through commands, in order.
  const std::vector<std::vector<win::BYTE>>& Cdbs() const { return cdbs_; }
  // The DataIn byte of each pass-through command, in order.
  const std::vector<win::BYTE>& Directions() const { return directions_; }
  // Control codes received, in order.
  const std::vector<win::DWORD>& Codes() const { return codes_; }
  bool Locked() const { return locked_; }

 private:
  bool CardPresent();
  // The vendor status word: the card kind and the write-protect switch.
  win::DWORD StatusWord() const;
  win::BOOL ScsiPassThrough(std::span<const win::BYTE> input, std::span<win::BYTE> output, win::DWORD& returned);
  bool ScsiCommand(std::span<const win::BYTE> cdb, std::vector<win::BYTE>& data, win::DWORD& moved);
  win::BOOL IdePassThrough(std::span<const win::BYTE> input, std::span<win::BYTE> output, win::DWORD& returned);
  std::vector<win::BYTE> Inquiry() const;
  std::array<win::BYTE, storage_query::kAreaSize> Descriptor() const;

  ReaderSetup setup_;
  win::ULONGLONG position_ = 0;
  std::vector<std::vector<win::BYTE>> cdbs_;
  std::vector<win::BYTE> directions_;
  std::vector<win::DWORD> codes_;
  bool locked_ = false;
  int commands_ = 0;
};

// The file side of a card drive: only what the device tests need (an empty root that fails or
// takes the write test's file, free space).
class StandInVolume final : public win::CardVolume {
 public:
  win::DWORD createError = 0;  // the error creating a file gets; 0 creates it
  win::ULONGLONG totalBytes = 0;

  std::shared_ptr<win::IoObject> Open(std::string_view path, const win::OpenRequest& request,
                                      win::DWORD& error) override;
  std::optional<win::VolumeEntry> Query(std::string_view path, win::DWORD& error) override;
  std::optional<std::vector<win::VolumeEntry>> List(std::string_view folder, win::DWORD& error) override;
  win::DWORD Delete(std::string_view path) override;
  win::DWORD Rename(std::string_view, std::string_view) override { return win::ERROR_ACCESS_DENIED; }
  win::DWORD CreateFolder(std::string_view) override { return win::ERROR_ACCESS_DENIED; }
  win::DWORD RemoveFolder(std::string_view) override { return win::ERROR_ACCESS_DENIED; }
  std::optional<win::VolumeSpace> Space(std::string_view path, win::DWORD& error) override;
  std::optional<win::VolumeInformation> Information(std::string_view path, win::DWORD& error) override;
};

// The Windows 9x card driver "\\.\TARNLOK.VXD" for IDE and PCMCIA readers: ATA requests
// (request 10) carried out on the card of a device reference, with the requests received. It
// stays beside the machine's driver for what that one never does: answer for the nodes of a
// hand-made chain (stand_in_chain.h), fail IDENTIFY a given number of times and answer port
// requests (request 11) at drive selects of the test's choosing. The tests set the chain's
// anchor themselves, so it answers no request 1.
class StandInCardDriver final : public win::IoObject {
 public:
  struct Card {
    std::vector<win::BYTE> image;
    std::array<win::BYTE, 512> identify{};
    win::DWORD statusWord = 0;
    std::array<win::BYTE, 4> geometryReply{};
    int identifyFailures = 0;  // IDENTIFY answers with the error bit this many times first
  };
  std::map<win::DWORD, Card> cards;  // by device reference
  std::map<win::BYTE, std::array<win::BYTE, 512>> portCards;  // request 11: IDENTIFY data by drive select
  std::vector<std::vector<win::BYTE>> portRequests;
  std::vector<std::array<win::BYTE, 26>> requests;

  win::BOOL Read(std::span<win::BYTE>, win::DWORD&) override { return win::Fail(win::ERROR_INVALID_FUNCTION); }
  win::BOOL Write(std::span<const win::BYTE>, win::DWORD&) override { return win::Fail(win::ERROR_INVALID_FUNCTION); }
  win::BOOL Seek(win::LONGLONG, win::DWORD, win::ULONGLONG&) override { return win::Fail(win::ERROR_INVALID_FUNCTION); }
  win::BOOL Flush() override { return win::TRUE; }
  std::optional<win::ULONGLONG> Size() override { return std::nullopt; }
  win::BOOL IoControl(win::DWORD code, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                      win::DWORD& bytesReturned) override;
};

// Readers on drive letters for one test: installs the device opener and the drive letters and
// sets the Windows version; takes all of it away again when it goes.
class StandInMachine {
 public:
  explicit StandInMachine(win::WindowsVersion version);
  ~StandInMachine();
  StandInMachine(const StandInMachine&) = delete;
  StandInMachine& operator=(const StandInMachine&) = delete;

  StandInReader& Add(char letter, ReaderSetup setup);
  StandInReader& Reader(char letter) { return *readers_.at(letter); }
  StandInVolume& Volume(char letter) { return *volumes_.at(letter); }
  StandInCardDriver& Driver() { return *driver_; }

 private:
  std::map<char, std::shared_ptr<StandInReader>> readers_;
  std::map<char, std::shared_ptr<StandInVolume>> volumes_;
  std::shared_ptr<StandInCardDriver> driver_ = std::make_shared<StandInCardDriver>();
};

// IDENTIFY data with the card flags, total sectors and a model text, and the reader marks of a
// master.
std::array<win::BYTE, 512> IdentifyWith(win::DWORD cardFlags, win::DWORD totalSectors, bool master = true,
                                        const std::string& model = "KESTRO IDE CARD READER");

}  // namespace tarnlok::test_support
