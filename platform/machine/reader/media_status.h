// The maker's media status word, as its readers report it: the reply of the vendor status
// command, INQUIRY bytes 36 to 39 of its USB readers, and the card flags of its IDENTIFY data.
#pragma once

#include "platform/machine/cards/card_media.h"

#include <cstdint>

namespace machine {

// The vendor status reply: the card's kind bits and write protection, the no-card reply without a card.
std::uint32_t VendorStatusWord(const CardMedia* card);
// INQUIRY bytes 36-39: the card's kind bits and write protection, 0 without a card.
std::uint32_t InquiryStatusWord(const CardMedia* card);
// The IDENTIFY card flags: kind bits as the IDE readers give them, win::kIdentifyPcmcia for a PCMCIA reader.
std::uint32_t IdentifyCardFlags(const CardMedia* card, Bus bus);

}  // namespace machine
