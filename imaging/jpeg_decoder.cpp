#include "imaging/jpeg_decoder.h"

#include "imaging/image_file.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace imaging {
namespace {

// libjpeg-turbo decodes a block in its fast path only while enough bytes are buffered; with a
// small buffer its slow path takes a tenth of a photograph's decode.
constexpr std::size_t kInputBufferSize = 65536;
constexpr std::array<JOCTET, 2> kEndOfImage = {0xFF, JPEG_EOI};

// libjpeg's source manager over an ImageFile; the manager comes first so libjpeg's pointer to it
// is a pointer to the whole.
struct StreamSource {
  jpeg_source_mgr manager;
  ImageFile* stream;
  bool startOfFile;
  std::array<JOCTET, kInputBufferSize> buffer;
};

// The standard error manager whose fatal errors store libjpeg's message in the image and jump
// back to the decoder instead of ending the process.
struct ErrorExit {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  CDibImage* image;
};

// Everything a decode needs, on the heap and constructed before the jump point, so that a jump
// back skips nothing that needs destroying.
struct Session {
  jpeg_decompress_struct decompress;
  ErrorExit error;
  StreamSource source;
};

StreamSource& SourceOf(j_decompress_ptr decompress) { return *reinterpret_cast<StreamSource*>(decompress->src); }

void InitSource(j_decompress_ptr decompress) { SourceOf(decompress).startOfFile = true; }

boolean FillInputBuffer(j_decompress_ptr decompress) {
  StreamSource& source = SourceOf(decompress);
  std::size_t count = source.stream->Read(source.buffer.data(), 1, source.buffer.size());
  if (count == 0) {
    if (source.startOfFile) ERREXIT(decompress, JERR_INPUT_EMPTY);
    WARNMS(decompress, JWRN_JPEG_EOF);
    // An early end reads as the end of the image, so what arrived is still shown.
    source.buffer[0] = kEndOfImage[0];
    source.buffer[1] = kEndOfImage[1];
    count = kEndOfImage.size();
  }
  source.manager.next_input_byte = source.buffer.data();
  source.manager.bytes_in_buffer = count;
  source.startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr decompress, long count) {
  if (count <= 0) return;
  StreamSource& source = SourceOf(decompress);
  while (count > static_cast<long>(source.manager.bytes_in_buffer)) {
    count -= static_cast<long>(source.manager.bytes_in_buffer);
    FillInputBuffer(decompress);
  }
  source.manager.next_input_byte += count;
  source.manager.bytes_in_buffer -= static_cast<std::size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void ExitWithMessage(j_common_ptr common) {
  auto* error = reinterpret_cast<ErrorExit*>(common->err);
  std::array<char, JMSG_LENGTH_MAX> message{};
  (*common->err->format_message)(common, message.data());
  error->image->SetLastError(message.data());
  std::longjmp(error->jump, 1);
}

void InstallSource(Session& session, ImageFile* stream) {
  StreamSource& source = session.source;
  source.stream = stream;
  source.manager.init_source = InitSource;
  source.manager.fill_input_buffer = FillInputBuffer;
  source.manager.skip_input_data = SkipInputData;
  source.manager.resync_to_restart = jpeg_resync_to_restart;
  source.manager.term_source = TermSource;
  source.manager.bytes_in_buffer = 0;
  source.manager.next_input_byte = nullptr;
  session.decompress.src = &source.manager;
}

std::int32_t DotsPerInch(std::uint8_t unit, std::uint16_t density) { return unit == 2 ? density * 254 / 100 : density; }

// Adobe CMYK, stored inverted as Adobe writes it: each colour is its ink times black.
void CmykToBgr(const JSAMPLE* cmyk, std::uint8_t* bgr, std::size_t width) {
  for (std::size_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    const unsigned black = cmyk[3];
    bgr[0] = static_cast<std::uint8_t>(cmyk[2] * black / 255);
    bgr[1] = static_cast<std::uint8_t>(cmyk[1] * black / 255);
    bgr[2] = static_cast<std::uint8_t>(cmyk[0] * black / 255);
  }
}

// Three components come out red first; the bitmap wants blue first. Swapped row by row while the
// row is still in cache.
void SwapRedBlue(std::uint8_t* pixel, std::size_t width) {
  for (std::size_t x = 0; x < width; ++x, pixel += 3) std::swap(pixel[0], pixel[2]);
}

// The scan lines, top picture row first into the last stored row. Runs below the jump point:
// only trivially destructible locals.
void ReadRows(jpeg_decompress_struct& decompress, CDibImage& image, bool direct) {
  const std::size_t rowBytes = static_cast<std::size_t>(decompress.output_width) * decompress.output_components;
  JSAMPARRAY buffer = direct ? nullptr
                             : (*decompress.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&decompress), JPOOL_IMAGE,
                                                               static_cast<JDIMENSION>(rowBytes), 1);
  const std::size_t stride = image.RowStride();
  while (decompress.output_scanline < decompress.output_height) {
    std::uint8_t* row = image.PixelBits() +
                        (static_cast<std::size_t>(decompress.output_height) - 1 - decompress.output_scanline) * stride;
    if (direct) {
      JSAMPROW target = row;
      if (jpeg_read_scanlines(&decompress, &target, 1) == 1 && decompress.output_components == 3) {
        SwapRedBlue(row, decompress.output_width);
      }
    } else if (jpeg_read_scanlines(&decompress, buffer, 1) == 1) {
      if (decompress.output_components == 4) {
        CmykToBgr(buffer[0], row, std::min<std::size_t>(decompress.output_width, stride / 3));
      } else {
        std::copy_n(buffer[0], std::min(rowBytes, stride), row);
      }
    }
  }
}

// libjpeg's DCT scaling: the smallest of 1/1, 1/2, 1/4 and 1/8 that still gives the wanted side
// (or the picture's own side where that is smaller) on both sides.
void ScaleToWantedSide(jpeg_decompress_struct& decompress, std::int32_t side) {
  if (side <= 0) return;
  auto enough = [side](JDIMENSION full, unsigned denominator) {
    return (full + denominator - 1) / denominator >= std::min<JDIMENSION>(full, static_cast<JDIMENSION>(side));
  };
  unsigned denominator = 8;
  while (denominator > 1 &&
         !(enough(decompress.image_width, denominator) && enough(decompress.image_height, denominator))) {
    denominator /= 2;
  }
  decompress.scale_num = 1;
  decompress.scale_denom = denominator;
}

}  // namespace

bool JpegDecoder::Decode(ImageFile* stream) {
  if (stream == nullptr) return false;
  auto session = std::make_unique<Session>();
  jpeg_decompress_struct& decompress = session->decompress;
  decompress.err = jpeg_std_error(&session->error.manager);
  session->error.manager.error_exit = ExitWithMessage;
  session->error.image = this;
  if (setjmp(session->error.jump) != 0) {
    jpeg_destroy_decompress(&decompress);
    Destroy();
    return false;
  }
  jpeg_create_decompress(&decompress);
  // Beyond the image limit libjpeg fails cleanly instead of allocating huge coefficient buffers.
  decompress.mem->max_memory_to_use = static_cast<long>(ImageSizeLimit());
  InstallSource(*session, stream);
  jpeg_read_header(&decompress, TRUE);
  const int components = decompress.num_components;
  ScaleToWantedSide(decompress, WantedSide());
  jpeg_calc_output_dimensions(&decompress);
  if (Create(static_cast<std::int32_t>(decompress.output_width), static_cast<std::int32_t>(decompress.output_height),
             8U * static_cast<std::uint32_t>(components), ImageFormat::Jpeg) == nullptr) {
    ERREXIT(&decompress, JERR_OUT_OF_MEMORY);
  }
  jpeg_start_decompress(&decompress);
  SetHorizontalDpi(DotsPerInch(decompress.density_unit, decompress.X_density));
  SetVerticalDpi(DotsPerInch(decompress.density_unit, decompress.Y_density));
  if (decompress.jpeg_color_space == JCS_GRAYSCALE) FillGrayPalette();
  // Three components are decoded red first straight into the bitmap and swapped there:
  // libjpeg-turbo's own blue-first conversion is slower than its red-first one and a swap.
  const bool direct = components == 3 || decompress.out_color_space == JCS_GRAYSCALE;
  ReadRows(decompress, *this, direct);
  jpeg_finish_decompress(&decompress);
  jpeg_destroy_decompress(&decompress);
  return true;
}

}  // namespace imaging
