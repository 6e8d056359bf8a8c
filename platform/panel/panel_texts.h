// What the machine's panel shows of a reader and its card, as a person reads it:
// "Kestro CF Reader", "CompactFlash, 67 MB", "none", "MMC/SD, 255 MB (not ready)".
#pragma once

#include "platform/machine/reader/reader.h"

#include <optional>
#include <string>

namespace machine {

// The reader's INQUIRY vendor and product without their padding; "Floppy drive" for drives
// that answer no INQUIRY.
std::string ReaderText(const ReaderDescription& reader);
// The card's kind and its size as the program's Information page gives it, "(not ready)" when
// the reader does not reach it; "none" for an empty slot.
std::string CardText(const ReaderDescription& reader, const std::optional<HeldCard>& card);
// The card image's file name; empty for an empty slot.
std::string ImageText(const std::optional<HeldCard>& card);

}  // namespace machine
