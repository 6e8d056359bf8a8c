#include "device/testing/stand_in_reader.h"

#include "device/reader_commands.h"
#include "platform/machine/ata/ata_device.h"
#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/ata_registers.h"
#include "platform/win/layouts/card_driver_layout.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/identify_layout.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/devices/card_drives.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/devices/device_namespace.h"
#include "platform/win/files/files.h"
#include "platform/win/system/last_error.h"
#include "platform/win/layouts/pass_through_layout.h"

#include <algorithm>
#include <cctype>

namespace tarnlok::test_support {
namespace {

namespace spt = win::scsi_pass_through;
namespace layout = win::card_driver_layout;
namespace ata = win::card_driver_layout::ata_request;
namespace ipt = win::ide_pass_through;

constexpr std::size_t kSector = win::kAtaSectorSize;
constexpr std::size_t kSmartReplySize = smart_command::kOutputData + win::identify_layout::kSize;
constexpr win::BYTE kStatusFailed = win::kAtaStatusReady | win::kAtaStatusError;

void PutText(std::vector<win::BYTE>& bytes, std::size_t offset, const std::string& text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) bytes[offset + i] = static_cast<win::BYTE>(i < text.size() ? text[i] : ' ');
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

class TempFile final : public win::IoObject {
 public:
  win::BOOL Read(std::span<win::BYTE>, win::DWORD& bytesRead) override {
    bytesRead = 0;
    return win::TRUE;
  }
  win::BOOL Write(std::span<const win::BYTE> data, win::DWORD& bytesWritten) override {
    bytesWritten = static_cast<win::DWORD>(data.size());
    return win::TRUE;
  }
  win::BOOL Seek(win::LONGLONG, win::DWORD, win::ULONGLONG& newPosition) override {
    newPosition = 0;
    return win::TRUE;
  }
  win::BOOL Flush() override { return win::TRUE; }
  std::optional<win::ULONGLONG> Size() override { return 0; }
};

// The vendor reply of a reader without a card.
std::array<win::BYTE, 4> NoCardAnswer() {
  std::array<win::BYTE, 4> answer{};
  win::WriteLe16(answer, 0, win::kVendorNoCardReply);
  return answer;
}

}  // namespace

win::DWORD StandInReader::StatusWord() const {
  return setup_.statusWord | (setup_.writeProtected ? kStatusWriteProtected : 0);
}

bool StandInReader::CardPresent() {
  ++commands_;
  if (setup_.pulledAfterCommands && commands_ > *setup_.pulledAfterCommands) setup_.image.clear();
  return !setup_.image.empty();
}

std::vector<win::BYTE> StandInReader::Inquiry() const {
  std::vector<win::BYTE> reply(56, 0);
  reply[1] = 0x80;
  reply[4] = 51;
  PutText(reply, 8, setup_.vendor, 8);
  PutText(reply, 16, setup_.product, 16);
  PutText(reply, 32, setup_.revision, 4);
  win::WriteLe32(reply, 36, setup_.image.empty() ? 0 : setup_.inquiryStatus);
  return reply;
}

bool StandInReader::ScsiCommand(std::span<const win::BYTE> cdb, std::vector<win::BYTE>& data, win::DWORD& moved) {
  const bool card = CardPresent();
  const auto reply = [&](std::span<const win::BYTE> bytes) {
    moved = static_cast<win::DWORD>(std::min(bytes.size(), data.size()));
    std::copy_n(bytes.begin(), moved, data.begin());
    return true;
  };
  const win::BYTE operation = cdb[0];
  const bool vendorFirst = cdb.size() == 8 && operation == win::kScsiVendorCommand;
  const bool vendorLast = cdb.size() == 8 && !vendorFirst;
  if (vendorFirst || vendorLast) {
    const VendorForm form = vendorFirst ? VendorForm::CommandFirst : VendorForm::CommandLast;
    if (setup_.vendorForm != form) return false;
    const win::BYTE sub = vendorFirst ? cdb[1] : cdb[7];
    std::array<win::BYTE, 4> answer = NoCardAnswer();
    if (card && sub == kVendorStatus) win::WriteLe32(answer, 0, StatusWord());
    if (card && sub == kVendorGeometry) answer = setup_.geometryReply;
    if (card && (sub == kVendorLock || sub == kVendorUnlock)) answer = setup_.lockReply;
    return reply(answer);
  }
  switch (operation) {
    case win::kScsiTestUnitReady: return card;
    case win::kScsiInquiry: return reply(Inquiry());
    case win::kScsiModeSense6: {
      if (!card) return false;
      std::array<win::BYTE, 12> sense{11, 0, static_cast<win::BYTE>(setup_.writeProtected ? 0x80 : 0), 8};
      return reply(sense);
    }
    case win::kScsiReadCapacity: {
      if (!card || !setup_.answersReadCapacity) return false;
      std::array<win::BYTE, 8> capacity{};
      const auto values = setup_.readCapacityReply.value_or(
          std::array<win::DWORD, 2>{static_cast<win::DWORD>(setup_.image.size() / kSector - 1), kSector});
      win::WriteBe32(capacity, 0, values[0]);
      win::WriteBe32(capacity, 4, values[1]);
      return reply(capacity);
    }
    case win::kScsiRead10:
    case win::kScsiWrite10: {
      if (!card || cdb.size() < 10) return false;
      const win::ULONGLONG first = win::ReadBe32(cdb, 2) * win::ULONGLONG{kSector};
      win::ULONGLONG bytes = win::ReadBe16(cdb, 7) * win::ULONGLONG{kSector};
      if (first + bytes > setup_.image.size() || bytes > data.size()) return false;
      if (operation == win::kScsiWrite10) {
        if (setup_.writeProtected) return false;
        std::copy_n(data.begin(), bytes, setup_.image.begin() + static_cast<std::ptrdiff_t>(first));
        moved = static_cast<win::DWORD>(bytes);
        return true;
      }
      if (setup_.shortReads && bytes >= kSector) bytes -= kSector;
      return reply(std::span(setup_.image).subspan(first, bytes));
    }
    default: return false;
  }
}

win::BOOL StandInReader::ScsiPassThrough(std::span<const win::BYTE> input, std::span<win::BYTE> output,
                                         win::DWORD& returned) {
  if (input.size() < spt::kHeaderSize || output.size() < input.size()) return win::Fail(win::ERROR_INVALID_PARAMETER);
  const win::BYTE cdbLength = input[spt::kCdbLength];
  const win::DWORD length = win::ReadLe32(input, spt::kDataTransferLength);
  const win::DWORD dataOffset = win::ReadLe32(input, spt::kDataBufferOffset);
  if (cdbLength == 0 || cdbLength > 16 || length > 32768 || dataOffset + length > input.size()) {
    return win::Fail(win::ERROR_INVALID_PARAMETER);
  }
  const auto cdb = input.subspan(spt::kCdb, cdbLength);
  cdbs_.emplace_back(cdb.begin(), cdb.end());
  directions_.push_back(input[spt::kDataIn]);
  std::copy(input.begin(), input.end(), output.begin());
  std::vector<win::BYTE> data(input.begin() + dataOffset, input.begin() + dataOffset + length);
  win::DWORD moved = 0;
  const bool good = ScsiCommand(cdb, data, moved);
  if (input[spt::kDataIn] == win::SCSI_IOCTL_DATA_IN) std::copy_n(data.begin(), moved, output.begin() + dataOffset);
  if (input[spt::kDataIn] == win::SCSI_IOCTL_DATA_OUT && good) moved = length;
  output[spt::kScsiStatus] = good ? win::kScsiStatusGood : win::kScsiStatusCheckCondition;
  win::WriteLe32(output, spt::kDataTransferLength, moved);
  returned = static_cast<win::DWORD>(input.size());
  return win::TRUE;
}

win::BOOL StandInReader::IdePassThrough(std::span<const win::BYTE> input, std::span<win::BYTE> output,
                                        win::DWORD& returned) {
  if (input.size() < ipt::kData || output.size() < ipt::kData) return win::Fail(win::ERROR_INVALID_PARAMETER);
  const win::DWORD size = win::ReadLe32(input, ipt::kDataSize);
  if (size > output.size() - ipt::kData) return win::Fail(win::ERROR_INVALID_PARAMETER);
  std::copy(input.begin(), input.end(), output.begin());
  const win::BYTE command = input[ipt::kCommand];
  const win::BYTE head = input[ipt::kDeviceHead];
  const bool card = CardPresent();
  auto data = output.subspan(ipt::kData, size);
  output[ipt::kCommand] = win::kAtaStatusReady;
  if (command == win::kAtaIdentify || command == win::kAtaIdentifyPacket) {
    const bool slave = (head & win::kAtaSlaveBit) != 0;
    const bool answers = setup_.slaveIdentify ? true : setup_.identifyAnswersSlaveOnly == slave;
    const auto& identify = slave && setup_.slaveIdentify ? setup_.slaveIdentify : setup_.identify;
    if (!identify || !answers) return win::Fail(win::ERROR_IO_DEVICE);
    std::copy_n(identify->begin(), std::min<std::size_t>(size, 512), data.begin());
  } else if (command == kVendorStatus || command == kVendorGeometry) {
    std::array<win::BYTE, 4> answer = NoCardAnswer();
    if (card && command == kVendorStatus) win::WriteLe32(answer, 0, StatusWord());
    if (card && command == kVendorGeometry) answer = setup_.geometryReply;
    std::copy_n(answer.begin(), std::min<std::size_t>(size, 4), data.begin());
  } else if (command == win::kAtaReadSectors) {
    const win::DWORD lba = machine::Lba28(machine::AtaTaskFileAt(input, ipt::kFeatures));
    if (!card || (lba + 1ULL) * kSector > setup_.image.size()) {
      output[ipt::kCommand] = kStatusFailed;
      returned = ipt::kData;
      return win::TRUE;
    }
    std::copy_n(setup_.image.begin() + lba * kSector, std::min<std::size_t>(size, kSector), data.begin());
    if (setup_.shortReads && size >= kSector) {
      returned = static_cast<win::DWORD>(ipt::kData + size - kSector);
      return win::TRUE;
    }
  }
  returned = static_cast<win::DWORD>(ipt::kData + size);
  return win::TRUE;
}

std::array<win::BYTE, storage_query::kAreaSize> StandInReader::Descriptor() const {
  std::array<win::BYTE, storage_query::kAreaSize> descriptor{};
  win::WriteLe32(descriptor, 0, 1);
  win::WriteLe32(descriptor, 4, storage_query::kAreaSize);
  descriptor[10] = 1;  // removable media
  win::WriteLe32(descriptor, storage_query::kBusType, *setup_.storageBusType);
  // Texts after the fixed fields, without the inquiry bytes a machine reader puts there: vendor
  // at 36, product at 52, revision at 70, so bytes 44 and 48 hold no text.
  const auto put = [&descriptor](std::size_t offset, const std::string& text, std::size_t field) {
    win::WriteLe32(descriptor, field, static_cast<win::DWORD>(offset));
    std::copy(text.begin(), text.end(), descriptor.begin() + static_cast<std::ptrdiff_t>(offset));
  };
  put(36, setup_.storageVendorText.substr(0, 7), storage_query::kVendorIdOffset);
  put(52, setup_.storageProductText.substr(0, 17), storage_query::kProductIdOffset);
  put(70, setup_.revision.substr(0, 4), storage_query::kProductRevisionOffset);
  return descriptor;
}

win::BOOL StandInReader::IoControl(win::DWORD code, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                                   win::DWORD& bytesReturned) {
  codes_.push_back(code);
  switch (code) {
    case win::IOCTL_SCSI_PASS_THROUGH: return ScsiPassThrough(input, output, bytesReturned);
    case win::IOCTL_IDE_PASS_THROUGH: return IdePassThrough(input, output, bytesReturned);
    case win::IOCTL_STORAGE_QUERY_PROPERTY: {
      if (!setup_.storageBusType) return win::Fail(win::ERROR_INVALID_FUNCTION);
      const auto descriptor = Descriptor();
      bytesReturned = static_cast<win::DWORD>(std::min(output.size(), descriptor.size()));
      std::copy_n(descriptor.begin(), bytesReturned, output.begin());
      return win::TRUE;
    }
    case win::IOCTL_STORAGE_GET_DEVICE_NUMBER:
      if (output.size() < device_number::kSize) return win::Fail(win::ERROR_INSUFFICIENT_BUFFER);
      win::WriteLe32(output, 0, 7);  // FILE_DEVICE_DISK
      win::WriteLe32(output, device_number::kDeviceNumber, 1);
      win::WriteLe32(output, 8, 1);  // partition 1
      bytesReturned = device_number::kSize;
      return win::TRUE;
    case win::SMART_RCV_DRIVE_DATA:
      if (!setup_.identify || setup_.smartFails || output.size() < kSmartReplySize) {
        return win::Fail(win::ERROR_IO_DEVICE);
      }
      std::copy(setup_.identify->begin(), setup_.identify->end(), output.begin() + smart_command::kOutputData);
      bytesReturned = kSmartReplySize;
      return win::TRUE;
    case win::FSCTL_LOCK_VOLUME: locked_ = true; return win::TRUE;
    case win::FSCTL_UNLOCK_VOLUME:
      if (!locked_) return win::Fail(win::ERROR_NOT_LOCKED);
      locked_ = false;
      return win::TRUE;
    case win::FSCTL_DISMOUNT_VOLUME: return win::TRUE;
    default: return win::Fail(win::ERROR_INVALID_FUNCTION);
  }
}

win::BOOL StandInReader::Read(std::span<win::BYTE> buffer, win::DWORD& bytesRead) {
  bytesRead = 0;
  if (!CardPresent()) return win::Fail(win::ERROR_NOT_READY);
  const win::ULONGLONG end = std::min<win::ULONGLONG>(position_ + buffer.size(), setup_.image.size());
  if (position_ >= end) return win::TRUE;
  bytesRead = static_cast<win::DWORD>(end - position_);
  std::copy_n(setup_.image.begin() + static_cast<std::ptrdiff_t>(position_), bytesRead, buffer.begin());
  position_ = end;
  return win::TRUE;
}

win::BOOL StandInReader::Write(std::span<const win::BYTE> data, win::DWORD& bytesWritten) {
  bytesWritten = 0;
  if (!CardPresent()) return win::Fail(win::ERROR_NOT_READY);
  if (setup_.writeProtected) return win::Fail(win::ERROR_WRITE_PROTECT);
  const win::ULONGLONG end = std::min<win::ULONGLONG>(position_ + data.size(), setup_.image.size());
  if (position_ >= end) return win::Fail(win::ERROR_SECTOR_NOT_FOUND);
  bytesWritten = static_cast<win::DWORD>(end - position_);
  std::copy_n(data.begin(), bytesWritten, setup_.image.begin() + static_cast<std::ptrdiff_t>(position_));
  position_ = end;
  return win::TRUE;
}

win::BOOL StandInReader::Seek(win::LONGLONG distance, win::DWORD method, win::ULONGLONG& newPosition) {
  if (method != win::FILE_BEGIN || distance < 0) return win::Fail(win::ERROR_INVALID_PARAMETER);
  position_ = static_cast<win::ULONGLONG>(distance);
  newPosition = position_;
  return win::TRUE;
}

std::shared_ptr<win::IoObject> StandInVolume::Open(std::string_view, const win::OpenRequest&, win::DWORD& error) {
  if (createError != 0) {
    error = createError;
    return nullptr;
  }
  return std::make_shared<TempFile>();
}

std::optional<win::VolumeEntry> StandInVolume::Query(std::string_view path, win::DWORD& error) {
  if (path == "\\") return win::VolumeEntry{"", "", win::FILE_ATTRIBUTE_DIRECTORY};
  error = win::ERROR_FILE_NOT_FOUND;
  return std::nullopt;
}

std::optional<std::vector<win::VolumeEntry>> StandInVolume::List(std::string_view, win::DWORD&) {
  return std::vector<win::VolumeEntry>{};
}

win::DWORD StandInVolume::Delete(std::string_view) { return win::ERROR_SUCCESS; }

std::optional<win::VolumeSpace> StandInVolume::Space(std::string_view, win::DWORD& error) {
  if (totalBytes == 0) {
    error = win::ERROR_NOT_READY;
    return std::nullopt;
  }
  return win::VolumeSpace{1, 512, totalBytes / 1024, totalBytes / 512, totalBytes / 2};
}

std::optional<win::VolumeInformation> StandInVolume::Information(std::string_view, win::DWORD& error) {
  error = win::ERROR_NOT_READY;
  return std::nullopt;
}

win::BOOL StandInCardDriver::IoControl(win::DWORD code, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                                       win::DWORD& bytesReturned) {
  if (code == layout::kRequestPortIdentify) {
    portRequests.emplace_back(input.begin(), input.end());
    const auto found = portCards.find(input.size() > 4 ? input[4] : 0);
    if (found == portCards.end() || output.size() < 512) return win::Fail(win::ERROR_DEV_NOT_EXIST);
    std::copy(found->second.begin(), found->second.end(), output.begin());
    bytesReturned = 512;
    return win::TRUE;
  }
  if (code != layout::kRequestAta || input.size() != ata::kSize || output.size() != ata::kSize)
    return win::Fail(win::ERROR_INVALID_PARAMETER);
  std::array<win::BYTE, ata::kSize> request{};
  std::copy(input.begin(), input.end(), request.begin());
  requests.push_back(request);
  std::copy(input.begin(), input.end(), output.begin());
  bytesReturned = ata::kSize;
  const auto found = cards.find(win::ReadLe32(input, ata::kDeviceReference));
  if (found == cards.end()) return win::Fail(win::ERROR_DEV_NOT_EXIST);
  Card& card = found->second;
  const win::BYTE command = input[ata::kCommand];
  const win::DWORD count = win::ReadLe32(input, ata::kByteCount);
  auto* buffer = static_cast<win::BYTE*>(win::ResolveAddressToken(win::ReadLe32(input, ata::kBufferAddress), count));
  if (count != 0 && buffer == nullptr) return win::FALSE;
  std::vector<win::BYTE> reply;
  if (command == win::kAtaIdentify && card.identifyFailures > 0) {
    --card.identifyFailures;
    output[ata::kCommand] = kStatusFailed;
    return win::TRUE;
  }
  if (command == win::kAtaIdentify) reply.assign(card.identify.begin(), card.identify.end());
  if (command == kVendorStatus) {
    reply.assign(512, 0);
    win::WriteLe32(reply, 0, card.image.empty() ? win::kVendorNoCardReply : card.statusWord);
  }
  if (command == kVendorGeometry) {
    reply.assign(512, 0);
    std::copy(card.geometryReply.begin(), card.geometryReply.end(), reply.begin());
  }
  if (command == win::kAtaReadSectors) {
    const win::DWORD lba = machine::Lba28(machine::AtaTaskFileAt(input, ata::kTaskFile));
    if ((lba + 1ULL) * kSector > card.image.size()) {
      output[ata::kCommand] = kStatusFailed;
      return win::TRUE;
    }
    reply.assign(card.image.begin() + lba * kSector, card.image.begin() + (lba + 1) * kSector);
  }
  if (buffer != nullptr) std::copy_n(reply.begin(), std::min<std::size_t>(reply.size(), count), buffer);
  output[ata::kCommand] = win::kAtaStatusReady;
  return win::TRUE;
}

StandInMachine::StandInMachine(win::WindowsVersion version) {
  win::SetWindowsVersion(version);
  win::SetDeviceOpener(
      [this](std::string_view name, win::DWORD, win::DWORD, win::DWORD& error) -> std::shared_ptr<win::IoObject> {
        if (name.size() == 2 && name[1] == ':') {
          const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
          const auto found = readers_.find(letter);
          if (found != readers_.end()) return found->second;
        }
        if (Upper(name) == "TARNLOK.VXD" && !win::IsNtFamily(win::CurrentWindowsVersion())) return driver_;
        error = win::ERROR_FILE_NOT_FOUND;
        return nullptr;
      });
}

StandInMachine::~StandInMachine() {
  for (const auto& [letter, volume] : volumes_) win::UnmountCardDrive(letter);
  win::SetDeviceOpener({});
}

StandInReader& StandInMachine::Add(char letter, ReaderSetup setup) {
  auto reader = std::make_shared<StandInReader>(std::move(setup));
  auto volume = std::make_shared<StandInVolume>();
  readers_[letter] = reader;
  volumes_[letter] = volume;
  win::MountCardDrive(letter, volume);
  return *reader;
}

std::array<win::BYTE, 512> IdentifyWith(win::DWORD cardFlags, win::DWORD totalSectors, bool master,
                                        const std::string& model) {
  namespace layout = win::identify_layout;
  std::array<win::BYTE, layout::kSize> data{};
  layout::WriteText(data, layout::kModelNumber, layout::kModelNumberWords, model);
  layout::WriteDoubleWord(data, layout::kTotalSectors, totalSectors);
  if (master) {
    layout::WriteWord(data, layout::kFirstReaderMark, layout::kReaderMark);
    layout::WriteWord(data, layout::kSecondReaderMark, layout::kReaderMark);
  }
  layout::WriteDoubleWord(data, layout::kCardFlags, cardFlags);
  return data;
}

}  // namespace tarnlok::test_support
