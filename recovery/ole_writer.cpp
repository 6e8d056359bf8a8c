#include "platform/win/layouts/byte_order.h"
#include "platform/win/files/files.h"
#include "recovery/carve_files.h"
#include "recovery/carve_writers.h"
#include "recovery/sector_source.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace recovery {

namespace {

constexpr std::uint32_t kFreeEntry = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;

// One card sector relative to the header; zeros when it cannot be read.
std::vector<std::uint8_t> ReadDocumentSector(CarveState& state, std::uint64_t offset) {
  std::vector<std::uint8_t> sector(state.UnitBytes(), 0);
  if (!state.source || !state.source->Read(state.currentSector + offset, sector))
    std::fill(sector.begin(), sector.end(), 0);
  return sector;
}

std::uint8_t ClassOfText(Unit part) {
  const std::string_view text(reinterpret_cast<const char*>(part.data()), part.size());
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\0', start), text.size());
    const std::string_view piece = text.substr(start, end - start);
    if (piece.find("Microsoft Excel") != std::string_view::npos) return 0x0F;
    if (piece.find("Microsoft Word") != std::string_view::npos) return 0xF0;
    start = end + 1;
  }
  return 0;
}

}  // namespace

void EstimateOleLength(CarveState& state, Unit header) {
  const std::uint32_t s = static_cast<std::uint32_t>(header.size());
  const std::uint32_t fatSectors = win::ReadLe32(header, 44);
  std::uint32_t last = 0;
  std::uint64_t offset = 0;
  if (win::ReadLe32(header, 68) == kEndOfChain) {
    for (std::size_t at = 64; at + 4 <= header.size(); at += 4) {
      const std::uint32_t value = win::ReadLe32(header, at);
      if (value == kFreeEntry) break;
      if (value != 0 && value != kEndOfChain) last = value;
    }
  } else {
    const auto difat = ReadDocumentSector(state, std::uint64_t{win::ReadLe32(header, 68)} + 1);
    for (std::size_t at = 0; at + 4 <= difat.size(); at += 4) {
      const std::uint32_t value = win::ReadLe32(difat, at);
      if (value != kFreeEntry && value != kEndOfChain) last = value;
    }
  }
  offset = std::uint64_t{last} + 1;
  const auto fat = ReadDocumentSector(state, offset);
  std::uint64_t used = 0;
  for (std::size_t at = 0; at + 4 <= fat.size(); at += 4)
    if (win::ReadLe32(fat, at) != kFreeEntry) used = at / 4 + 1;
  if (fatSectors == 0) {
    // No FAT: the document has no end that can be known.
    state.carveLength = UINT32_MAX;
    return;
  }
  const std::uint64_t length = std::uint64_t{s} * ((std::uint64_t{fatSectors} - 1) * (s / 4) + used + 1);
  state.carveLength = static_cast<std::uint32_t>(std::min<std::uint64_t>(length, UINT32_MAX));
}

void OleDocumentWriter(CarveState& state, Unit unit) {
  const Unit part = unit.first(std::min<std::size_t>(state.carveLength, unit.size()));
  if (const std::uint8_t found = ClassOfText(part)) state.oleClass = found;
  WriteCarved(state, part);
  state.carveLength -= static_cast<std::uint32_t>(part.size());
  if (state.carveLength != 0) return;

  const std::uint8_t documentClass = state.oleClass;
  state.oleClass = 0;
  const std::string path = CloseKeptFile(state);
  if (documentClass == 0) {
    ReportKeptFile(state, path, kPpt);
    return;
  }
  const int kind = documentClass == 0x0F ? kXls : kDoc;
  if (!state.IsSelected(kind)) {
    win::DeleteFileA(path.c_str());
    return;
  }
  const std::string renamed = NumberedPath(state, kind);
  // A failed rename leaves the file under its first name, counted by its class all the same.
  const bool moved = win::MoveFileA(path.c_str(), renamed.c_str()) != 0;
  ReportKeptFile(state, moved ? renamed : path, kind);
}

}  // namespace recovery
