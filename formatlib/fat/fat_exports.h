// The FAT format exports of the library: their argument lists turned into the formatters'
// requests, and the default format's choice between FAT12/16 and FAT32.
#pragma once

#include <pradvik_exports.h>

namespace pradvik::exports {

DoDefaultFormatFn DoDefaultFormat;
DoDefaultFat32FormatFn DoDefaultFat32Format;
DoDefaultFormatForThirdPartyDevicesFn DoDefaultFormatForThirdPartyDevices;
DoFloppyFormatFn DoFloppyFormat;

}  // namespace pradvik::exports
