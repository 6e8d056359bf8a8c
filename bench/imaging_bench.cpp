// Image decoding speed: our decoders against the libraries and programs a reader would otherwise
// use, in one process on the same files held in memory. The files are made at start with
// ImageMagick's convert in a temporary folder.
#include "imaging/dib_image.h"
#include "imaging/libjpeg_reference.h"
#include "imaging/memory_image_file.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <Magick++.h>
#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes& File(const std::string& name) {
  static std::map<std::string, Bytes> files;
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "imaging-bench-XXXXXX").string();
    return std::filesystem::path(mkdtemp(pattern.data()));
  }();
  static const std::map<std::string, std::string> recipes = {
      {"photo.jpg", "-quality 90"},
      {"photo.png", "-define png:color-type=2 -depth 8"},
      {"photo.tif", "-depth 8 -compress LZW"},
      {"photo.gif", "-colors 256"},
      {"photo.bmp", "-type TrueColor"},
      {"photo.tga", "-type TrueColor -compress RLE"},
      {"photo.pcx", "-type TrueColor"},
  };
  auto found = files.find(name);
  if (found != files.end()) return found->second;
  const std::filesystem::path path = folder / name;
  const std::string prefix = name.ends_with(".bmp") ? "BMP3:" : "";
  const std::string command =
      "convert -seed 11 -size 1024x768 plasma:fractal " + recipes.at(name) + " " + prefix + "'" + path.string() + "'";
  if (std::system(command.c_str()) != 0) std::abort();
  std::ifstream stream(path, std::ios::binary);
  return files[name] = Bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

void Ours(benchmark::State& state, const std::string& name, imaging::ImageFormat format) {
  const Bytes& file = File(name);
  for (auto _ : state) {
    imaging::MemoryImageFile stream(file);
    imaging::CDibImage image(format);
    if (!image.DecodeStream(stream, format)) state.SkipWithError(image.LastError());
    benchmark::DoNotOptimize(image.PixelBits());
  }
}

void Libjpeg(benchmark::State& state) {
  const Bytes& file = File("photo.jpg");
  for (auto _ : state) {
    const auto pixels = imaging::test_support::LibjpegDecode(file);
    benchmark::DoNotOptimize(pixels.samples.data());
  }
}

struct MemoryReader {
  const Bytes* bytes;
  std::size_t position;
};

void Libpng(benchmark::State& state) {
  const Bytes& file = File("photo.png");
  for (auto _ : state) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{&file, 0};
    png_set_read_fn(png, &reader, [](png_structp p, png_bytep data, png_size_t length) {
      auto* r = static_cast<MemoryReader*>(png_get_io_ptr(p));
      std::memcpy(data, r->bytes->data() + r->position, length);
      r->position += length;
    });
    png_read_info(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<png_byte> pixels(rowBytes * height);
    for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, pixels.data() + y * rowBytes, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void Libtiff(benchmark::State& state) {
  const Bytes& file = File("photo.tif");
  for (auto _ : state) {
    MemoryReader reader{&file, 0};
    TIFF* tiff = TIFFClientOpen(
        "bench", "r", &reader,
        [](thandle_t h, void* buffer, tmsize_t size) -> tmsize_t {
          auto* r = static_cast<MemoryReader*>(h);
          const auto count = std::min<std::size_t>(static_cast<std::size_t>(size), r->bytes->size() - r->position);
          std::memcpy(buffer, r->bytes->data() + r->position, count);
          r->position += count;
          return static_cast<tmsize_t>(count);
        },
        [](thandle_t, void*, tmsize_t) -> tmsize_t { return 0; },
        [](thandle_t h, toff_t offset, int whence) -> toff_t {
          auto* r = static_cast<MemoryReader*>(h);
          const std::size_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? r->position : r->bytes->size();
          r->position = base + offset;
          return r->position;
        },
        [](thandle_t) { return 0; }, [](thandle_t h) -> toff_t { return static_cast<MemoryReader*>(h)->bytes->size(); },
        [](thandle_t, void**, toff_t*) { return 0; }, [](thandle_t, void*, toff_t) {});
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(width) * height);
    TIFFReadRGBAImage(tiff, width, height, raster.data(), 1);
    TIFFClose(tiff);
    benchmark::DoNotOptimize(raster.data());
  }
}

void Giflib(benchmark::State& state) {
  const Bytes& file = File("photo.gif");
  for (auto _ : state) {
    MemoryReader reader{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(
        &reader,
        [](GifFileType* g, GifByteType* buffer, int length) {
          auto* r = static_cast<MemoryReader*>(g->UserData);
          const auto count = std::min<std::size_t>(static_cast<std::size_t>(length), r->bytes->size() - r->position);
          std::memcpy(buffer, r->bytes->data() + r->position, count);
          r->position += count;
          return static_cast<int>(count);
        },
        &error);
    DGifSlurp(gif);
    benchmark::DoNotOptimize(gif->SavedImages);
    DGifCloseFile(gif, &error);
  }
}

void ImageMagick(benchmark::State& state, const std::string& name, const std::string& magick) {
  const Bytes& file = File(name);
  for (auto _ : state) {
    Magick::Blob blob(file.data(), file.size());
    Magick::Image image;
    image.magick(magick);
    image.read(blob);
    benchmark::DoNotOptimize(image.getConstPixels(0, 0, image.columns(), image.rows()));
  }
}

BENCHMARK_CAPTURE(Ours, Jpeg, "photo.jpg", imaging::ImageFormat::Jpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(Libjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, Png, "photo.png", imaging::ImageFormat::Png)->Unit(benchmark::kMillisecond);
BENCHMARK(Libpng)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, Tiff, "photo.tif", imaging::ImageFormat::Tiff)->Unit(benchmark::kMillisecond);
BENCHMARK(Libtiff)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, Gif, "photo.gif", imaging::ImageFormat::Gif)->Unit(benchmark::kMillisecond);
BENCHMARK(Giflib)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, Bmp, "photo.bmp", imaging::ImageFormat::Bmp)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ImageMagick, Bmp, "photo.bmp", "BMP")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, Tga, "photo.tga", imaging::ImageFormat::Tga)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ImageMagick, Tga, "photo.tga", "TGA")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, Pcx, "photo.pcx", imaging::ImageFormat::Pcx)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ImageMagick, Pcx, "photo.pcx", "PCX")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  Magick::InitializeMagick(*argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
