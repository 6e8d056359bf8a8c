// The recoverable file types: their codes (the index into FileTypeTable), extensions and the
// 64-bit selection mask, one bit per code.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace recovery {

enum TypeCode : int {
  kAif = 0,
  kAsx,
  kAvi,
  kBmp,
  kCrw,
  kCur,
  kDcr,
  kDoc,
  kGif,
  kIco,
  kJpg,
  kKdc,
  kMid,
  kMov,
  kMp3,
  kMpg,
  kMrw,
  kMsf,
  kMsv,
  kNef,
  kOrf,
  kPdf,
  kPef,
  kPng,
  kPpt,
  kPst,
  kRaf,
  kRtf,
  kSnd,
  kSrf,
  kTif,
  kWav,
  kWmf,
  kWmv,
  kX3f,
  kXls,
  kZip,
  kTypeCount
};

// Extensions by type code, in alphabetical order.
inline constexpr std::array<std::string_view, kTypeCount> FileTypeTable = {
    "AIF", "ASX", "AVI", "BMP", "CRW", "CUR", "DCR", "DOC", "GIF", "ICO", "JPG", "KDC", "MID",
    "MOV", "MP3", "MPG", "MRW", "MSF", "MSV", "NEF", "ORF", "PDF", "PEF", "PNG", "PPT", "PST",
    "RAF", "RTF", "SND", "SRF", "TIF", "WAV", "WMF", "WMV", "X3F", "XLS", "ZIP"};

constexpr std::uint64_t TypeBit(int code) { return std::uint64_t{1} << code; }

// Codes 0 to 31: what the program selects when no setting says otherwise.
inline constexpr std::uint64_t kDefaultTypeSelection = 0x00000000FFFFFFFFull;
inline constexpr std::uint64_t kAllTypes = (std::uint64_t{1} << kTypeCount) - 1;

// The type whose extension is ext (upper or lower case, at most 3 characters), or -1.
int TypeOfExtension(std::string_view ext);

}  // namespace recovery
