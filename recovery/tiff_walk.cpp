#include "recovery/tiff_walk.h"

#include "recovery/file_types.h"
#include "recovery/sector_source.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

namespace recovery {

namespace {

constexpr std::size_t kWindow = 1024;
constexpr std::size_t kDirectoryLimit = 64;
constexpr std::uint64_t kArrayLimit = 1 << 16;

int ElementSize(std::uint32_t type) {
  switch (type) {
    case 3:
    case 8: return 2;
    case 4:
    case 9:
    case 11: return 4;
    case 5:
    case 10:
    case 12: return 8;
    default: return 1;
  }
}

bool IsByteType(std::uint32_t type) { return type == 1 || type == 2 || type == 6 || type == 7; }

bool SameText(const char* text, std::string_view word) {
  if (std::strlen(text) != word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(text[i])) != word[i]) return false;
  return true;
}

}  // namespace

std::uint32_t TiffWalk::Field(const std::vector<std::uint8_t>& bytes, std::size_t at, int width) const {
  if (at > bytes.size() || static_cast<std::size_t>(width) > bytes.size() - at) return 0;
  std::uint32_t value = 0;
  for (int k = 0; k < width; ++k) {
    const int index = state_.tiffBigEndian ? k : width - 1 - k;
    value = (value << 8) | bytes[at + static_cast<std::size_t>(index)];
  }
  return value;
}

std::optional<std::vector<std::uint8_t>> TiffWalk::ReadFileBytes(std::uint64_t x, std::uint64_t n) const {
  if (!state_.source || n == 0) return std::nullopt;
  const std::uint64_t unitBytes = state_.UnitBytes();
  const std::uint64_t units = (n + x % unitBytes) / unitBytes + 1;
  if (units * unitBytes > (kArrayLimit * 8 + 2 * kWindow)) return std::nullopt;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(units * unitBytes), 0);
  if (!state_.source->Read(state_.tiffFirstUnit + x / unitBytes, buffer)) return std::nullopt;
  const std::size_t start = static_cast<std::size_t>(x % unitBytes);
  return std::vector<std::uint8_t>(buffer.begin() + static_cast<long>(start),
                                   buffer.begin() + static_cast<long>(start + n));
}

bool TiffWalk::Visit(std::uint32_t offset) {
  if (offset == 0 || visited_.size() >= kDirectoryLimit) return false;
  if (std::find(visited_.begin(), visited_.end(), offset) != visited_.end()) return false;
  visited_.push_back(offset);
  return true;
}

void TiffWalk::ApplyThumbnailRule(std::uint32_t& size) const {
  const std::uint32_t end = state_.tiffThumbOffset + state_.tiffThumbLength;
  if (state_.tiffMakerNoteOffset > end)
    size += state_.tiffMakerNoteOffset - end - 14;
  else
    size = std::max(size, end);
}

bool TiffWalk::SizeFile(const std::vector<std::uint8_t>& ifd) {
  const std::uint32_t count = Field(ifd, 0, 2);
  const std::uint32_t next = Field(ifd, 2 + 12 * std::size_t{count}, 4);
  Sums sums;
  sums.size = 12 * count + 14;
  state_.tiffIfdSeen = true;
  visited_.assign(1, state_.tiffEndSoFar);
  if (WalkEntries(ifd, 2, count, sums, nullptr) == EntryWalk::Failed) return false;
  if (next != 0) WalkChain(next, sums);
  ApplyThumbnailRule(sums.size);
  if (sums.stripsSeen) {
    sums.size = std::max(sums.size, sums.largestStripEnd);
  } else {
    state_.carveLength = next - state_.tiffEndSoFar;
    state_.tiffEndSoFar = next;
  }
  if (state_.orfFile) sums.size += 5584;
  if (sums.size > state_.tiffEndSoFar) {
    state_.carveLength = sums.size - state_.tiffEndSoFar;
    state_.tiffEndSoFar = sums.size;
  }
  return true;
}

TiffWalk::EntryWalk TiffWalk::WalkEntries(const std::vector<std::uint8_t>& bytes, std::size_t first,
                                          std::uint32_t count, Sums& sums, SubMode* sub) {
  bool qualifying = false;
  std::uint32_t stripOffsets = 0;
  for (std::uint32_t e = 0; e < count; ++e) {
    const std::size_t at = first + 12 * std::size_t{e};
    if (at + 12 > bytes.size()) break;  // entries past the bytes read are not walked
    const std::uint32_t tag = Field(bytes, at, 2);
    const std::uint32_t type = Field(bytes, at + 2, 2);
    const std::uint32_t n = Field(bytes, at + 4, 4);
    std::uint32_t v = Field(bytes, at + 8, 4);
    if (state_.tiffBigEndian) {
      if (IsByteType(type) && n <= 4)
        v = bytes[at + 8];
      else if ((type == 3 || type == 8) && n <= 2 && v > 0xFFFF)
        v >>= 16;
    }
    const std::uint64_t dataBytes = std::uint64_t{n} * static_cast<std::uint64_t>(ElementSize(type));
    if (tag == 279) sums.stripsSeen = true;
    if (tag == 37500) state_.tiffMakerNoteOffset = v;
    if (tag == 513) state_.tiffThumbOffset = v;
    if (tag == 514) {
      state_.tiffThumbLength = v;
      sums.size += v;
      continue;
    }
    if (tag == 271 || tag == 272) {
      const bool matched = MatchMaker(v, static_cast<std::uint32_t>(std::min<std::uint64_t>(dataBytes, 64)), n);
      const bool anyMark = state_.makerNikon || state_.makerKodak || state_.makerProBack || state_.makerSony ||
                           state_.makerPentax || state_.orfHeaderMark || state_.orfFile;
      if (!matched && !anyMark) return EntryWalk::Failed;
      if (!qualifying)
        state_.makerNikon = state_.makerKodak = state_.makerProBack = state_.makerSony = state_.makerPentax = false;
    }
    if (tag == 259 && (v == 1 || v == 65000)) qualifying = true;
    if (tag == 330 && qualifying) {
      if (const std::uint32_t subSize = WalkSubIfds(type, n, v); subSize != 0) {
        sums.size = subSize;
        return EntryWalk::EndedEarly;
      }
    }
    if (tag == 34665) {
      WalkChain(v, sums);
      continue;
    }
    if (dataBytes > 4) {
      if (sub)
        sub->extra += static_cast<std::uint32_t>(dataBytes);
      else
        sums.size += static_cast<std::uint32_t>(dataBytes);
    }
    if (tag == 273) stripOffsets = v;
    if (tag != 279) continue;
    if (n == 1) {
      if (sub) {
        sums.size += stripOffsets + v;
        return EntryWalk::EndedEarly;
      }
      sums.size += v;
      // The one strip lies in the file: its end is an end of the file too.
      if (stripOffsets != 0) sums.largestStripEnd = std::max(sums.largestStripEnd, stripOffsets + v);
      continue;
    }
    if (sub) sums.size += sub->offset;
    const int width = std::min(ElementSize(type), 4);
    bool offsetsRead = false, countsRead = false;
    const auto offsets = ReadArray(stripOffsets, n, width, offsetsRead);
    const auto counts = ReadArray(v, n, width, countsRead);
    std::uint32_t highest = 0;
    for (std::size_t k = 0; k < counts.size(); ++k) {
      const bool even = offsetsRead || width != 1;
      sums.size += even ? counts[k] + (counts[k] & 1) : counts[k];
      if (offsetsRead && k < offsets.size() && offsets[k] > highest) {
        highest = offsets[k];
        sums.largestStripEnd = offsets[k] + counts[k];
      }
    }
  }
  return EntryWalk::Done;
}

std::vector<std::uint32_t> TiffWalk::ReadArray(std::uint32_t offset, std::uint32_t count, int width, bool& ok) const {
  ok = false;
  if (count == 0 || count > kArrayLimit) return {};
  const auto bytes = ReadFileBytes(offset, std::uint64_t{count} * static_cast<std::uint64_t>(width));
  if (!bytes) return {};
  ok = true;
  std::vector<std::uint32_t> values(count);
  for (std::uint32_t k = 0; k < count; ++k)
    values[k] = Field(*bytes, std::size_t{k} * static_cast<std::size_t>(width), width);
  return values;
}

void TiffWalk::WalkChain(std::uint32_t offset, Sums& sums) {
  while (Visit(offset)) {
    const auto window = ReadFileBytes(offset, kWindow);
    if (!window) return;
    const std::uint32_t count = Field(*window, 0, 2);
    sums.size += 12 * count + 14;
    if (WalkEntries(*window, 2, count, sums, nullptr) == EntryWalk::Failed) return;
    offset = Field(*window, 2 + 12 * std::size_t{count}, 4);
  }
}

bool TiffWalk::MatchMaker(std::uint32_t offset, std::uint32_t bytes, std::uint32_t count) {
  const auto text = ReadFileBytes(offset, std::max<std::uint32_t>(bytes, 8));
  if (!text) return false;
  char first[6] = {};
  std::memcpy(first, text->data(), 5);
  struct Maker {
    std::string_view word;
    int type, alternative;
    bool CarveState::*flag;
  };
  static constexpr Maker kMakers[] = {{"NIKON", kNef, -1, &CarveState::makerNikon},
                                      {"KODAK", kDcr, kKdc, &CarveState::makerKodak},
                                      {"SONY", kSrf, -1, &CarveState::makerSony},
                                      {"PENTA", kPef, -1, &CarveState::makerPentax}};
  for (const Maker& maker : kMakers) {
    if (!SameText(first, maker.word)) continue;
    if (state_.IsSelected(maker.type) || (maker.alternative >= 0 && state_.IsSelected(maker.alternative))) {
      state_.*maker.flag = true;
      return true;
    }
    state_.makerNikon = state_.makerKodak = state_.makerProBack = state_.makerSony = state_.makerPentax = false;
    return false;
  }
  char eight[9] = {};
  std::memcpy(eight, text->data(), 8);
  if (std::string_view(eight) == "ProBack" && count <= 8) state_.makerProBack = true;
  return true;
}

std::uint32_t TiffWalk::WalkSubIfds(std::uint32_t type, std::uint32_t count, std::uint32_t value) {
  const bool single = (type == 3 || type == 8) ? count <= 2 : count == 1;
  if (single) return MeasureSubIfd(value);
  bool ok = false;
  const auto offsets = ReadArray(value, count, type == 3 || type == 8 ? 2 : 4, ok);
  std::uint32_t result = 0;
  for (const std::uint32_t offset : offsets) result = std::max(result, MeasureSubIfd(offset));
  if (state_.makerKodak) {
    result = (result + 511) / 512 * 512;
    if (!state_.makerProBack) result += 4096;
  }
  return result;
}

std::uint32_t TiffWalk::MeasureSubIfd(std::uint32_t offset) {
  std::uint32_t result = 0;
  if (++depth_ > 4) {
    --depth_;
    return 0;
  }
  while (Visit(offset)) {
    const auto window = ReadFileBytes(offset, 2 * std::uint64_t{state_.UnitBytes()});
    if (!window) break;
    const std::uint32_t count = Field(*window, 0, 2);
    SubMode sub{offset, 12 * count + 6};
    Sums sums;
    const EntryWalk walked = WalkEntries(*window, 2, count, sums, &sub);
    result += sums.size;
    ApplyThumbnailRule(result);
    if (sums.stripsSeen) result = std::max(result, sums.largestStripEnd);
    if (walked == EntryWalk::Done) result += sub.extra;
    offset = Field(*window, 2 + 12 * std::size_t{count}, 4);
  }
  --depth_;
  return result;
}

}  // namespace recovery
