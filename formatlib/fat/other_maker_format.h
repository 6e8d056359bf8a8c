// The FAT12/16 format of a card in another maker's reader (or any removable disk the readers'
// vendor commands do not serve): one partition a track in, through plain sector transfers on
// the physical drive.
#pragma once

#include "formatlib/fat/volume_session.h"

#include "platform/win/system/types.h"

namespace pradvik {

struct OtherMakerArgs {
  FatFormatArgs format;
  win::HWND capacityWindow = nullptr;
};

int FormatForOtherMakers(const OtherMakerArgs& args);

}  // namespace pradvik
