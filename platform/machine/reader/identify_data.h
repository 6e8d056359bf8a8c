// The 512-byte identification block of the maker's readers, laid out like ATA IDENTIFY DEVICE
// data: serial number (words 10-19), firmware revision (23-26), model (27-46), LBA support
// (49), total sectors of the card (60-61, 0 without a card), the reader marks (135-136) and the
// card flags (157-158).
#pragma once

#include "platform/machine/card_media.h"

#include <array>
#include <cstdint>

namespace machine {

constexpr std::size_t kIdentifySize = 512;

std::array<std::uint8_t, kIdentifySize> ReaderIdentifyData(const ReaderDescription& reader, const CardMedia* card);

}  // namespace machine
