// The Exif APP1 segment a camera writes in front of its photographs: IFD0 with Make, Model
// and DateTime, the Exif IFD with the shot's settings and pixel size, and IFD1 with the JPEG
// thumbnail. Written in either byte order, as cameras of different makers do.
// Not provided: GPS, maker notes, interoperability IFD.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace machine {

struct ExifFacts {
  std::string make;
  std::string model;
  std::string dateTime;  // "YYYY:MM:DD HH:MM:SS"
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  bool bigEndian = false;  // "MM" rather than "II"
};

// The APP1 payload ("Exif\0\0" and the TIFF structure, thumbnail included). Throws
// std::length_error when it would not fit one JPEG segment.
std::vector<std::uint8_t> MakeExifSegment(const ExifFacts& facts, std::span<const std::uint8_t> thumbnail);

}  // namespace machine
