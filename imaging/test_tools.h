// Test helpers: running the reference tools, reading their raw output and decoding from memory.
#pragma once

#include "imaging/dib_image.h"
#include "imaging/memory_image_file.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace imaging::test_support {

using Bytes = std::vector<std::uint8_t>;

inline std::filesystem::path Scratch(const std::string& name) { return ::tarnlok::test_support::TestDataHome() / name; }

// Runs a shell command of reference tools; the test fails when it does.
inline void Run(const std::string& command) {
  ASSERT_EQ(std::system(("set -e; " + command + " 2>/dev/null").c_str()), 0) << command;
}

inline Bytes ReadBytes(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream stream(path, std::ios::binary);
  stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::unique_ptr<CDibImage> DecodeBytes(const Bytes& bytes, ImageFormat format, std::int32_t frame = 0) {
  auto image = std::make_unique<CDibImage>(format);
  image->SetFrame(frame);
  MemoryImageFile stream(bytes);
  image->DecodeStream(stream, format);
  return image;
}

// Pixels as a reference decoder delivers them: rows from the top, 4 bytes red, green, blue, alpha.
struct Reference {
  std::int32_t width = 0;
  std::int32_t height = 0;
  Bytes rgba;

  const std::uint8_t* At(std::int32_t x, std::int32_t y) const {
    return rgba.data() +
           (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
  }
};

// Decodes with ImageMagick; frame picks the frame or page.
inline Reference ReferenceDecode(const std::filesystem::path& file, const std::string& prefix = "", int frame = 0) {
  Reference reference;
  const std::filesystem::path raw = file.string() + ".rgba";
  const std::filesystem::path size = file.string() + ".size";
  const std::string input = "'" + prefix + file.string() + "[" + std::to_string(frame) + "]'";
  Run("convert " + input + " -depth 8 RGBA:'" + raw.string() + "' && identify -format '%w %h' " + input + " > '" +
      size.string() + "'");
  std::ifstream dimensions(size);
  dimensions >> reference.width >> reference.height;
  reference.rgba = ReadBytes(raw);
  return reference;
}

// Compares every pixel's colour, and the alpha when the image has an alpha plane; tolerance is
// the largest difference allowed per channel.
inline void ExpectPixelsMatch(const CDibImage& image, const Reference& reference, int tolerance = 0,
                              bool compareAlpha = true) {
  ASSERT_NE(image.DibBlock(), nullptr) << image.LastError();
  ASSERT_EQ(image.Width(), reference.width);
  ASSERT_EQ(image.Height(), reference.height);
  ASSERT_EQ(reference.rgba.size(), static_cast<std::size_t>(reference.width) * reference.height * 4);
  int mismatches = 0;
  for (std::int32_t y = 0; y < reference.height && mismatches < 5; ++y) {
    for (std::int32_t x = 0; x < reference.width && mismatches < 5; ++x) {
      const RgbQuad ours = image.PixelColorAt(x, reference.height - 1 - y);
      const std::uint8_t* theirs = reference.At(x, y);
      const bool colorMatches = std::abs(ours.red - theirs[0]) <= tolerance &&
                                std::abs(ours.green - theirs[1]) <= tolerance &&
                                std::abs(ours.blue - theirs[2]) <= tolerance;
      const bool alphaMatches = !compareAlpha || image.AlphaPlane() == nullptr ||
                                std::abs(image.AlphaAt(x, reference.height - 1 - y) - theirs[3]) <= tolerance;
      if (!colorMatches || !alphaMatches) {
        ++mismatches;
        ADD_FAILURE() << "pixel " << x << "," << y << " ours " << int(ours.red) << "," << int(ours.green) << ","
                      << int(ours.blue) << "/" << int(image.AlphaAt(x, reference.height - 1 - y)) << " theirs "
                      << int(theirs[0]) << "," << int(theirs[1]) << "," << int(theirs[2]) << "/" << int(theirs[3]);
      }
    }
  }
}

// Makes a file with ImageMagick from its built-in test pattern and answers its path.
// prefix names the output format where the file name does not (BMP3:).
inline std::filesystem::path MakeImage(const std::string& name, const std::string& options,
                                       const std::string& size = "37x23", const std::string& prefix = "") {
  const std::filesystem::path path = Scratch(name);
  Run("convert -seed 7 -size " + size + " plasma:fractal " + options + " " + prefix + "'" + path.string() + "'");
  return path;
}

// Where a format keeps its pixel rows: the bytes it cannot decode without, the offset of the first
// row in the file, the bytes of one row there, and whether the file starts with the top picture row.
struct RowLayout {
  std::size_t headerBytes;
  std::size_t firstRow;
  std::size_t rowBytes;
  bool topRowFirst;
};

// A file cut inside its pixel rows still decodes to the whole picture's size: rows that the cut
// file holds whole are those of the uncut file, rows wholly past the cut stay as created (zero);
// a file cut inside its headers is refused.
inline void ExpectCutRowsKept(const Bytes& file, ImageFormat format, const RowLayout& layout) {
  const auto whole = DecodeBytes(file, format);
  ASSERT_NE(whole->DibBlock(), nullptr) << whole->LastError();
  const std::int32_t height = whole->Height();
  const std::size_t stride = whole->RowStride();
  EXPECT_EQ(DecodeBytes(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(layout.headerBytes - 1)), format)
                ->DibBlock(),
            nullptr);
  const std::size_t pixelBytes = layout.rowBytes * static_cast<std::size_t>(height);
  for (const std::size_t cut : {std::size_t{0}, pixelBytes / 3 + 1, pixelBytes / 2, pixelBytes - 1}) {
    SCOPED_TRACE("cut " + std::to_string(cut) + " bytes into the rows");
    const Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(layout.firstRow + cut));
    const auto image = DecodeBytes(part, format);
    ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
    ASSERT_EQ(image->Width(), whole->Width());
    ASSERT_EQ(image->Height(), height);
    for (std::int32_t fileRow = 0; fileRow < height; ++fileRow) {
      const std::int32_t stored = layout.topRowFirst ? height - 1 - fileRow : fileRow;
      const std::size_t rowStart = static_cast<std::size_t>(fileRow) * layout.rowBytes;
      const std::uint8_t* ours = image->PixelBits() + static_cast<std::size_t>(stored) * stride;
      if (rowStart + layout.rowBytes <= cut) {
        const std::uint8_t* theirs = whole->PixelBits() + static_cast<std::size_t>(stored) * stride;
        EXPECT_TRUE(std::equal(ours, ours + stride, theirs)) << "row " << fileRow << " differs";
      } else if (rowStart >= cut) {
        EXPECT_TRUE(std::all_of(ours, ours + stride, [](std::uint8_t b) { return b == 0; }))
            << "row " << fileRow << " past the cut is not blank";
      }
    }
  }
}

// Decoding every truncation and some corruptions of a valid file must end cleanly: a bitmap, or
// none with the reason in the last error when the format reports one. A corrupted file is refused
// or decodes to the picture's size, unless the damaged byte is one that holdsSize says may give
// the size (then the size must still be a picture's).
inline void ExpectDamageHandled(const Bytes& file, ImageFormat format, bool reportsTruncation = true,
                                const std::function<bool(std::size_t)>& holdsSize = {}) {
  for (std::size_t length = 0; length < file.size(); length += 1 + file.size() / 61) {
    const Bytes truncated(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
    const auto image = DecodeBytes(truncated, format);
    if (image->DibBlock() == nullptr && reportsTruncation && length > 16) {
      EXPECT_STRNE(image->LastError(), "") << "truncated at " << length;
    }
  }
  const auto whole = DecodeBytes(file, format);
  ASSERT_NE(whole->DibBlock(), nullptr) << whole->LastError();
  for (std::size_t at = 0; at < file.size(); at += 1 + file.size() / 97) {
    Bytes damaged = file;
    damaged[at] ^= 0xA5;
    const auto image = DecodeBytes(damaged, format);
    if (image->DibBlock() == nullptr) continue;
    if (holdsSize && holdsSize(at)) {
      EXPECT_GT(image->Width(), 0) << "damaged at " << at;
      EXPECT_GT(image->Height(), 0) << "damaged at " << at;
      continue;
    }
    EXPECT_EQ(image->Width(), whole->Width()) << "damaged at " << at;
    EXPECT_EQ(image->Height(), whole->Height()) << "damaged at " << at;
  }
}

}  // namespace imaging::test_support
