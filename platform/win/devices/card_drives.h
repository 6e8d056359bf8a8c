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
// True for a letter with a mounted volume or one the machine declared removable.
bool IsCardDriveLetter(char letter);

// Declares (or withdraws) a removable drive letter of the machine whose card has no volume the
// platform can read yet: an empty reader, or a card before its volume is mounted. The letter
// shows in GetLogicalDrives and GetDriveTypeA; its file services answer ERROR_NOT_READY.
void SetRemovableDrive(char letter, bool present);

}  // namespace win
