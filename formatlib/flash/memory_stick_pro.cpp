#include "formatlib/flash/memory_stick_pro.h"

#include "formatlib/command/ata_command.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/command/scsi_command.h"
#include "formatlib/command/vendor_block.h"

#include <pradvik_exports.h>

#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/reader_vendor_commands.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/system/system_clock.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace pradvik {
namespace {

// The reader is asked again after this pause; it is given up when its reply has not changed for
// the whole of kMostQuietMs.
constexpr win::DWORD kPollPauseMs = 100;
constexpr win::DWORD kMostQuietMs = 120000;

// Sends a Pro command: ten bytes on transport 3, twelve on 4, the IDE format command otherwise.
std::uint8_t SendProCommand(const FlashRoad& road, std::uint8_t command, std::uint8_t byte2, std::uint8_t byte7,
                            std::span<std::uint8_t> reply, std::uint8_t features) {
  ClearErrorText();
  const auto length = static_cast<std::uint32_t>(reply.size());
  if (road.transportKind == kTransportEightByte) {
    const std::array<std::uint8_t, 10> block{win::kScsiVendorCommand, command, byte2, 0, 0, 0, 0, byte7, 0, 0};
    return SendScsiCommandNoPrompt(road.handle, block, reply.data(), length, kDataIn);
  }
  if (road.transportKind == kTransportTwelveByte) {
    const VendorBlock block{win::kScsiVendorCommand, command, byte2, 0, 0, 0, 0, byte7};
    return SendVendorBlock(road.handle, road.transportKind, block, reply.data(), length, kDataIn, false,
                           static_cast<std::uint8_t>(length));
  }
  return SendIdeTaskFile(road.handle, FormatTaskFile(road.ataDriveSelect, command, length, 0, features), reply.data(),
                         length, kDataIn, AtaPrompt::Silent);
}

void ShowPercent(win::HWND percent, unsigned value) {
  if (percent == nullptr) return;
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "%u %%", value);
  ui::SendMessage(percent, ui::WM_SETTEXT, 0, reinterpret_cast<ui::LPARAM>(text.data()));
}

}  // namespace

std::optional<std::uint8_t> ProPercentDone(std::span<const std::uint8_t, 8> reply) {
  const std::uint64_t total = win::ReadBe32(reply, 0);
  const std::uint64_t done = win::ReadBe32(reply, 4);
  if (total == 0 || done == 0) return std::nullopt;
  return static_cast<std::uint8_t>(std::min<std::uint64_t>(done * 100 / total, 100));
}

int FormatMemoryStickPro(const FlashRoad& road, std::uint8_t fullFormat, win::HWND progress, win::HWND percent) {
  const std::uint8_t mode = fullFormat <= 1 ? fullFormat : 0;
  std::array<std::uint8_t, 6> started{};
  const std::uint32_t startLength = road.transportKind == kTransportTwelveByte && road.wideStatus != 0 ? 6 : 2;
  const std::uint32_t startBytes = IsScsiTransport(road.transportKind) ? startLength : 0;
  if (SendProCommand(road, win::kVendorStartProFormat, mode, 0, std::span(started).first(startBytes), mode) != 1)
    return 0;
  if (progress != nullptr) ui::SendMessage(progress, ui::PBM_SETRANGE32, 0, 100);
  unsigned shown = 0;
  std::array<std::uint8_t, 512> reply{};
  std::array<std::uint8_t, 8> previous{};
  win::DWORD quietSince = win::GetTickCount();
  const std::uint32_t replyBytes = IsScsiTransport(road.transportKind) ? 8 : 512;
  for (;;) {
    reply.fill(0);
    if (SendProCommand(road, win::kVendorProFormatProgress, 0, 8, std::span(reply).first(replyBytes), 0) != 1) return 0;
    if (IsNoCardReply(reply)) return 0;
    if (reply[0] == win::kVendorProFormatDone &&
        std::all_of(reply.begin() + 1, reply.begin() + 8, [](std::uint8_t b) { return b == 0; })) {
      ShowPercent(percent, 100);
      if (progress != nullptr) ui::SendMessage(progress, ui::PBM_SETPOS, 100, 0);
      return 1;
    }
    const auto head = std::span(reply).first<8>();
    if (const auto done = ProPercentDone(head); done && percent != nullptr) {
      ShowPercent(percent, *done);
      if (*done != shown && progress != nullptr) {
        ui::SendMessage(progress, ui::PBM_SETSTEP, static_cast<ui::WPARAM>(*done - static_cast<int>(shown)), 0);
        ui::SendMessage(progress, ui::PBM_STEPIT, 0, 0);
      }
      shown = *done;
      if (shown == 100) {
        if (progress != nullptr) ui::SendMessage(progress, ui::PBM_SETPOS, 100, 0);
        return 1;
      }
    }
    if (!std::equal(head.begin(), head.end(), previous.begin())) {
      std::copy(head.begin(), head.end(), previous.begin());
      quietSince = win::GetTickCount();
    } else if (win::GetTickCount() - quietSince > kMostQuietMs) {
      return 0;
    }
    win::Sleep(kPollPauseMs);
  }
}

}  // namespace pradvik
