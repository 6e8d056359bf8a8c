// Drive letters of card volumes, handed out by the simulated machine. File services on such
// a letter go to its CardVolume (card_volume.h) instead of the host.
#pragma once

#include <memory>

namespace win {

class CardVolume;

void MountCardDrive(char letter, std::shared_ptr<CardVolume> volume);
void UnmountCardDrive(char letter);
// The volume behind a letter (either case); null when the letter is not a card drive.
std::shared_ptr<CardVolume> CardDrive(char letter);
bool IsCardDriveLetter(char letter);

}  // namespace win
