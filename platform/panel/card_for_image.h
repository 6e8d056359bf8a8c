// The card a person inserts through the machine's panel: an image file of this computer
// taken as a card of the kind the reader was described with. An existing image is a card of
// its own size; a name that does not exist yet becomes a fresh card, made by the machine when
// it is inserted.
#pragma once

#include "platform/machine/description/machine_description.h"

#include <filesystem>
#include <stdexcept>

namespace machine {

// An image the panel cannot take as a card; the text says why.
class CardImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The description of the card in `image` for `reader`; throws CardImageError for an image that
// is empty or not a whole number of sectors.
CardDescription CardForImage(const ReaderDescription& reader, const std::filesystem::path& image);

}  // namespace machine
