#include "device/aspi_devices.h"

#include "device/aspi_transport.h"
#include "device/command_roads.h"
#include "device/device_entry.h"
#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/product_keywords.h"
#include "device/reader_commands.h"
#include "device/string_ids.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/scsi_layout.h"

#include <array>
#include <cctype>
#include <string_view>

namespace tarnlok {
namespace {

constexpr win::BYTE kTargets = 15;
constexpr win::BYTE kLuns = 8;

namespace inquiry = win::inquiry_data;

struct InquiryTexts {
  std::string vendor, product, revision;
};

InquiryTexts TextsOf(const InquiryReply& reply) {
  const std::span<const win::BYTE> bytes(reply);
  return {PlainText(bytes.subspan(inquiry::kVendor, inquiry::kVendorSize)),
          PlainText(bytes.subspan(inquiry::kProduct, inquiry::kProductSize)),
          PlainText(bytes.subspan(inquiry::kRevision, inquiry::kRevisionSize))};
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

std::string AdapterName(win::BYTE host) {
  std::array<char, 9> name{};
  return GetAspiAdapterName(host, name.data()) ? std::string(name.data()) : std::string();
}

// Adapters the manager reports, when it works.
std::optional<win::BYTE> AdapterCount() {
  if (!LoadAspiLibrary(true)) return std::nullopt;
  const win::DWORD info = GetAspiSupportInfo();
  const win::BYTE count = win::aspi::SupportHostCount(info);
  if (count == 0 || win::aspi::SupportStatus(info) != win::aspi::kStatusDone) return std::nullopt;
  return count;
}

// The kinds a media status word names; false when it names no card.
bool KindsFromStatus(win::DWORD status, win::BYTE* deviceKind, win::BYTE* readerKind) {
  const win::BYTE kind = KindFromMediaStatus(status, false);
  if (kind == kDeviceUnknown) return false;
  *deviceKind = kind;
  if (kind == kMemoryStick && readerKind != nullptr) {
    *readerKind = (status & kStatusMemoryStickPro) != 0 ? kMemoryStickPro : kMemoryStickReader;
  }
  if (kind == kSmartMedia && readerKind != nullptr) *readerKind = kSmartMediaReader;
  return true;
}

bool Inquire(win::BYTE host, win::BYTE target, win::BYTE lun, InquiryReply& reply) {
  reply.fill(0);
  return AspiInquiry(host, target, lun, reply.data(), kInquiryLength);
}

// Two readers of one model answer the same texts on the same kind of adapter; an address that an
// earlier entry of the list already holds belongs to that reader, not to the node asked about.
bool AddressListed(win::BYTE host, win::BYTE target, win::BYTE lun) {
  for (const DeviceEntry* entry = DeviceListHead; entry != nullptr; entry = entry->next) {
    if (entry->hostAdapter == host && entry->target == target && entry->lun == lun) return true;
  }
  return false;
}

}  // namespace

int GetAspiMediaKind(win::BYTE* deviceKind, win::BYTE host, win::BYTE target, win::BYTE lun, win::BYTE* readerKind) {
  if (deviceKind == nullptr) return 0;
  InquiryReply reply{};
  const bool answered = Inquire(host, target, 0, reply);
  const std::string product =
      answered ? PlainText(std::span(reply).subspan(inquiry::kProduct, kProductWordsLength)) : std::string();
  if (product.find("SM") != std::string::npos && product.find("MS") != std::string::npos) {
    if (KindsFromStatus(win::ReadLe32(reply, inquiry::kReaderStatusWord), deviceKind, readerKind)) return 1;
  } else if (product.find("MMC/SD") != std::string::npos) {
    *deviceKind = kMmcSd;
    return 1;
  } else if (product.find("CompactFlash") != std::string::npos || product.find("CF") != std::string::npos ||
             product.find("Compact Flash") != std::string::npos) {
    *deviceKind = kCompactFlash;
    return 1;
  }
  const VendorCdb cdb = CommandFirstCdb(kVendorStatus);
  std::array<win::BYTE, 4> status{};
  ExecAspiCommand(host, target, lun, cdb.data(), cdb.size(), status.data(), status.size(), win::aspi::kDataIn);
  const win::DWORD word = win::ReadLe32(status, 0);
  if (word != win::kVendorNoCardReply && word != 0) return KindsFromStatus(word, deviceKind, readerKind) ? 1 : 0;
  if (!Inquire(host, target, 0, reply)) return 0;
  const win::BYTE kind =
      KindFromProductWords(UpperText(std::span(reply).subspan(inquiry::kProduct, kProductWordsLength)));
  *deviceKind = kind;
  if (readerKind != nullptr && kind == kSmartMedia) *readerKind = kSmartMediaReader;
  if (readerKind != nullptr && kind == kMemoryStick) *readerKind = kMemoryStickReader;
  return 1;
}

int FindAspiAddress9x(const DriverNode* node, win::BYTE* deviceKind, win::BYTE* host, win::BYTE* target, win::BYTE* lun,
                      win::BYTE* readerKind) {
  if (OsKindIsNt() || node == nullptr || host == nullptr || target == nullptr || lun == nullptr) return 0;
  const auto count = AdapterCount();
  if (!count) return 0;
  const InquiryTexts mine{node->Vendor(), node->Product(), node->Revision()};
  const std::string myAdapter = node->AdapterName();
  for (win::BYTE h = 0; h < *count; ++h) {
    for (win::BYTE t = 0; t < kTargets; ++t) {
      for (win::BYTE l = 0; l < kLuns; ++l) {
        InquiryReply reply{};
        if (!Inquire(h, t, l, reply)) continue;
        const InquiryTexts theirs = TextsOf(reply);
        const std::string adapter = AdapterName(h);
        const bool sixTexts = !mine.vendor.empty() && !mine.product.empty() && !myAdapter.empty() &&
                              !theirs.vendor.empty() && !theirs.product.empty() && !adapter.empty();
        const bool allTexts = sixTexts && !mine.revision.empty() && !theirs.revision.empty();
        if (!sixTexts) continue;
        const bool same = EqualNoCase(mine.vendor, theirs.vendor) && EqualNoCase(mine.product, theirs.product) &&
                          EqualNoCase(myAdapter, adapter) && (!allTexts || EqualNoCase(mine.revision, theirs.revision));
        if (!same || AddressListed(h, t, l)) continue;
        *host = h;
        *target = t;
        *lun = l;
        win::BYTE kind = deviceKind != nullptr ? *deviceKind : 0;
        GetAspiMediaKind(&kind, h, t, allTexts ? l : 0, readerKind);
        if (deviceKind != nullptr) *deviceKind = kind;
        return 1;
      }
    }
  }
  return 0;
}

void CountAspiDevices(const std::string& vendor, const std::string& product, const std::string&,
                      const std::string& adapterText, signed char hostCount, win::BYTE* count) {
  if (count == nullptr) return;
  for (int h = 0; h < hostCount; ++h) {
    for (win::BYTE l = 0; l < kLuns; ++l) {
      InquiryReply reply{};
      if (!Inquire(static_cast<win::BYTE>(h), 0, l, reply)) continue;
      const InquiryTexts theirs = TextsOf(reply);
      const std::string adapter = AdapterName(static_cast<win::BYTE>(h));
      if (EqualNoCase(theirs.vendor, vendor) && EqualNoCase(theirs.product, product) && !adapterText.empty() &&
          adapterText.find(adapter) != std::string::npos) {
        ++*count;
      }
    }
  }
}

int MatchAspiDevice9x(const DriverNode& node, win::BYTE* host, win::BYTE* target, win::BYTE* lun,
                      win::BYTE* deviceKind) {
  const auto count = AdapterCount();
  if (!count) {
    if (AspiLibrary == nullptr || SendAspiSrb == nullptr || GetAspiSupportInfo == nullptr) {
      ShowStringMessage(kStringAspiNotLoaded, ui::MB_ICONINFORMATION);
    }
    return 0;
  }
  const InquiryTexts mine{node.Vendor(), node.Product(), node.Revision()};
  for (win::BYTE h = 0; h < *count; ++h) {
    for (win::BYTE l = 0; l < kLuns; ++l) {
      InquiryReply reply{};
      if (!Inquire(h, 0, l, reply)) continue;
      const InquiryTexts theirs = TextsOf(reply);
      if (!EqualNoCase(mine.vendor, theirs.vendor) || !EqualNoCase(mine.product, theirs.product) ||
          !EqualNoCase(mine.revision, theirs.revision)) {
        continue;
      }
      const win::DWORD status = win::ReadLe32(reply, inquiry::kReaderStatusWord);
      if (deviceKind != nullptr && (status & kStatusSmartMedia) != 0)
        *deviceKind = kSmartMediaReader;
      else if (deviceKind != nullptr && (status & kStatusMemoryStick) != 0)
        *deviceKind = kMemoryStickReader;
      if (host != nullptr) *host = h;
      if (target != nullptr) *target = 0;
      if (lun != nullptr) *lun = l;
      return 1;
    }
  }
  return 0;
}

}  // namespace tarnlok
