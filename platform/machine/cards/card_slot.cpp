#include "platform/machine/card_slot.h"

namespace machine {

void CardSlot::Insert(std::unique_ptr<CardMedia> card) {
  card_ = std::move(card);
  ejected_ = false;
}

std::unique_ptr<CardMedia> CardSlot::Take() {
  ejected_ = false;
  return std::move(card_);
}

CardMedia* CardSlot::Card() const {
  if (!card_ || ejected_ || !card_->Present()) return nullptr;
  return card_.get();
}

void CardSlot::CountCommand() {
  if (card_) card_->CountCommand();
}

}  // namespace machine
