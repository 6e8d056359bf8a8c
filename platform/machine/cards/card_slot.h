// The slot of a reader: the card it holds, if any, and whether the reader has let go of it
// (START STOP UNIT eject). The card is reachable only while it is in, not pulled and not ejected.
#pragma once

#include "platform/machine/card_media.h"

#include <memory>

namespace machine {

class CardSlot {
 public:
  // Puts a card in (an ejected reader takes it up again); a card already in is replaced.
  void Insert(std::unique_ptr<CardMedia> card);
  // Takes the card out; null when the slot is empty.
  std::unique_ptr<CardMedia> Take();

  // The card commands reach: null when the slot is empty, the card was pulled or is ejected.
  CardMedia* Card() const;
  bool HoldsCard() const { return card_ != nullptr; }
  // The card in the slot, reachable or not; null when the slot is empty.
  CardMedia* Held() const { return card_.get(); }

  void Eject() { ejected_ = true; }
  void Load() { ejected_ = false; }

  // Counts one command the reader answered; the card leaves after its described number.
  void CountCommand();

 private:
  std::unique_ptr<CardMedia> card_;
  bool ejected_ = false;
};

}  // namespace machine
