#include "imaging/tiff_stream_binding.h"

#include "imaging/dib_image.h"

#include <cstdarg>
#include <limits>
#include <memory>

namespace imaging {
namespace {

ImageFile& StreamOf(thandle_t handle) { return *static_cast<ImageFile*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
  if (size <= 0) return 0;
  return static_cast<tmsize_t>(StreamOf(handle).Read(buffer, 1, static_cast<std::size_t>(size)));
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size) {
  if (size <= 0) return 0;
  return static_cast<tmsize_t>(StreamOf(handle).Write(buffer, 1, static_cast<std::size_t>(size)));
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  // The stream addresses 32-bit offsets: a farther one cannot be reached (rather than wrapping).
  const auto signedOffset = static_cast<std::int64_t>(offset);
  if (signedOffset < std::numeric_limits<std::int32_t>::min() ||
      signedOffset > std::numeric_limits<std::int32_t>::max()) {
    return 0;
  }
  ImageFile& stream = StreamOf(handle);
  if (!stream.Seek(static_cast<std::int32_t>(signedOffset), whence)) return 0;
  if (whence == 0) return offset;
  if (whence == 1 || whence == 2) return static_cast<toff_t>(stream.Tell());
  return 0;
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t handle) {
  const std::int32_t size = StreamOf(handle).Size();
  return size < 0 ? 0 : static_cast<toff_t>(size);
}

int MapProc(thandle_t, void**, toff_t*) { return 0; }

void UnmapProc(thandle_t, void*, toff_t) {}

int Silent(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsRelease {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

}  // namespace

TIFF* OpenTiffStream(ImageFile& stream, const char* mode) {
  std::unique_ptr<TIFFOpenOptions, OptionsRelease> options(TIFFOpenOptionsAlloc());
  if (options == nullptr) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(ImageSizeLimit()));
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), Silent, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), Silent, nullptr);
  return TIFFClientOpenExt(kTiffStreamName, mode, &stream, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc,
                           UnmapProc, options.get());
}

}  // namespace imaging
