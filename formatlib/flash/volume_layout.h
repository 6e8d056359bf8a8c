// Laying the FAT volume onto the erased card: the master boot record (and, for the older
// SmartMedia readers, zero sectors up to the boot record), the boot record, both FATs and the
// root directory, each structure moved past listed bad blocks. The newer SmartMedia readers take
// the system area from the boot record on as whole blocks.
#pragma once

#include "formatlib/flash/format_context.h"

#include <cstdint>

namespace pradvik {

// Gives back the boot record's page. 0 on a failed write or a code the family does not know.
int WriteNewMbr(const FormatContext& context, std::uint32_t mbrPage, std::uint32_t& bootRecordPage, bool bootCode);
// Gives back the pages one FAT takes.
int WriteNewDbr(const FormatContext& context, std::uint32_t bootRecordPage, std::uint32_t& fatPages);
int WriteFirstFat(const FormatContext& context, std::uint32_t fatPage);
int WriteSecondFat(const FormatContext& context, std::uint32_t fatPage, std::uint32_t fatPages);
int WriteRootDirectory(const FormatContext& context, std::uint32_t rootPage);

}  // namespace pradvik
