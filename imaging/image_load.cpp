// Loading an image from a file on a Windows path.
#include "imaging/dib_image.h"
#include "imaging/stdio_image_file.h"

namespace imaging {

CDibImage::CDibImage(const char* fileName, ImageFormat type) {
  Initialize(type);
  Load(fileName, type);
}

bool CDibImage::Load(const char* fileName, ImageFormat type) {
  win::FILE* file = win::fopen(fileName, "rb");
  if (file == nullptr) return false;
  const bool decoded = Decode(file, type);
  win::fclose(file);
  return decoded;
}

bool CDibImage::Decode(win::FILE* file, ImageFormat type) {
  StdioImageFile stream(file);
  return DecodeStream(stream, type);
}

}  // namespace imaging
