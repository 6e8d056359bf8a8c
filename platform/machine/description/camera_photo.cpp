#include "platform/machine/description/camera_photo.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace machine {
namespace {

constexpr int kThumbnailWidth = 160;
constexpr int kThumbnailHeight = 120;
constexpr int kPhotoQuality = 85;
constexpr int kThumbnailQuality = 75;
constexpr int kChannels = 3;

struct Rgb {
  double r, g, b;
};

// The colour at (u, v) of the unit square, so that photograph and thumbnail show one scene.
Rgb SceneAt(double u, double v, std::uint32_t seed) {
  const double sunU = 0.2 + 0.6 * static_cast<double>(seed % 7) / 6.0;
  const double sunV = 0.15 + 0.1 * static_cast<double>(seed % 3);
  const double phase = static_cast<double>(seed % 11);
  const double horizon = 0.6 + 0.08 * std::sin(u * 9.0 + phase) + 0.04 * std::sin(u * 23.0 + phase * 2.0);
  if (v > horizon) {
    const double shade = 0.5 + 0.5 * (v - horizon) / (1.0 - horizon + 1e-9);
    return {40 + 60 * shade, 110 + 70 * shade * std::fabs(std::sin(u * 40.0)), 40};
  }
  const double distance = std::hypot(u - sunU, (v - sunV) * 0.75);
  if (distance < 0.06) return {255, 230, 120};
  const double glow = std::max(0.0, 1.0 - distance * 3.0);
  return {90 + 120 * v + 60 * glow, 140 + 80 * v + 40 * glow, 235 - 40 * v};
}

std::vector<std::uint8_t> Paint(int width, int height, std::uint32_t seed) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * kChannels);
  std::size_t at = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb colour = SceneAt((x + 0.5) / width, (y + 0.5) / height, seed);
      for (const double channel : {colour.r, colour.g, colour.b}) {
        pixels[at++] = static_cast<std::uint8_t>(std::clamp(channel, 0.0, 255.0));
      }
    }
  }
  return pixels;
}

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

[[noreturn]] void JumpOnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }

// Compresses with the library's memory destination; false when the library failed. Only
// plain data lives in this frame, so the error jump skips no destructor.
bool Compress(const std::uint8_t* pixels, int width, int height, int quality, const std::uint8_t* app1,
              std::size_t app1Size, unsigned char** out, unsigned long* outSize) {
  jpeg_compress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JumpOnError;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, out, outSize);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = kChannels;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  // Cameras write Exif files without a JFIF segment; APP1 follows the start of image.
  info.write_JFIF_header = FALSE;
  jpeg_start_compress(&info, TRUE);
  if (app1 != nullptr) jpeg_write_marker(&info, JPEG_APP0 + 1, app1, static_cast<unsigned int>(app1Size));
  const std::size_t stride = static_cast<std::size_t>(width) * kChannels;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + info.next_scanline * stride);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

std::vector<std::uint8_t> Encode(const std::vector<std::uint8_t>& pixels, int width, int height, int quality,
                                 const std::vector<std::uint8_t>& app1) {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool done = Compress(pixels.data(), width, height, quality, app1.empty() ? nullptr : app1.data(), app1.size(),
                             &buffer, &size);
  std::vector<std::uint8_t> bytes;
  if (done) bytes.assign(buffer, buffer + size);
  std::free(buffer);
  if (!done) throw std::runtime_error("the JPEG library could not compress a photograph");
  return bytes;
}

}  // namespace

std::vector<std::uint8_t> MakeCameraPhoto(const ExifFacts& facts, std::uint32_t seed) {
  const auto thumbnail =
      Encode(Paint(kThumbnailWidth, kThumbnailHeight, seed), kThumbnailWidth, kThumbnailHeight, kThumbnailQuality, {});
  return Encode(Paint(facts.width, facts.height, seed), facts.width, facts.height, kPhotoQuality,
                MakeExifSegment(facts, thumbnail));
}

}  // namespace machine
