// What the machine's panel shows of a reader and its card, as a person reads it:
// "Kestro CF Reader", "CompactFlash, 64 MB", "none", "MMC/SD, 256 MB (not ready)".
#pragma once

#include "platform/machine/reader/reader.h"

#include <optional>
#include <string>

namespace machine {

// The reader's INQUIRY vendor and product without their padding; "Floppy drive" for drives
// that answer no INQUIRY.
std::string ReaderText(const ReaderDescription& reader);
// The card's kind and size, "(not ready)" when the reader does not reach it; "none" for an
// empty slot.
std::string CardText(const std::optional<HeldCard>& card);
// The card image's file name; empty for an empty slot.
std::string ImageText(const std::optional<HeldCard>& card);

}  // namespace machine
