// Small files of every recoverable kind, made by hand from the formats' public layouts (and by
// Debian tools where one writes the kind), for the engine's tests and benchmark.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace recovery::test_support {

using Bytes = std::vector<std::uint8_t>;

struct SampleFile {
  std::string kind;  // what it is, for reports ("JPG (JFIF)")
  std::string extension;  // the extension the engine should give it
  Bytes bytes;
  bool exactExpected = true;  // the end rule can find this file's end
};

// Byte helpers for hand-laid cards.
Bytes TextBytes(const std::string& text);
Bytes Concat(Bytes a, const Bytes& b);
Bytes Le32Bytes(std::uint32_t value);
Bytes Be32Bytes(std::uint32_t value);

// A card of total 512-byte sectors, zero but for the parts put at their sectors.
Bytes Sectors(std::initializer_list<std::pair<std::size_t, Bytes>> parts, std::size_t total);

// Deterministic filler that holds none of the markers the writers look for.
Bytes Filler(std::size_t size, std::uint32_t seed);

// One hand-made file of each kind (seed varies the contents and sizes; extra bytes are added to
// the kinds whose length is free).
std::vector<SampleFile> HandMadeSamples(std::uint32_t seed, std::size_t extra = 0);
// Files written by Debian tools (ImageMagick, zip, exiftool) in folder; kinds whose tool is
// missing are left out.
std::vector<SampleFile> ToolMadeSamples(const std::string& folder, std::uint32_t seed, int pictureScale = 1);

// A raw card image: each file sector-aligned, separated by gaps of zero sectors (and, with
// randomGaps, of filler). Answers the first sector of each file.
std::vector<std::uint64_t> LayOut(const std::vector<SampleFile>& files, Bytes& image, std::uint32_t gapSectors,
                                  bool randomGaps, std::uint32_t seed);

void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadWholeFile(const std::string& path);

}  // namespace recovery::test_support
