// One Viduvod_GetImageInfo call on a 5 MB camera JPEG against libexif's parse of the same
// file, in one process. The file is made by ImageMagick and exiftool when the program starts.
#include "exif/include/viduvod.h"

#include "platform/win/system/process.h"
#include "platform/win/registry/profile.h"

#include <benchmark/benchmark.h>
#include <libexif/exif-data.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

struct Fixture {
  fs::path folder;
  fs::path jpeg;
  fs::path other;  // the same picture with another thumbnail
  fs::path thumbnails;

  Fixture() {
    std::string pattern = (fs::temp_directory_path() / "viduvod-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder = pattern;
    ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
    win::StartProcess();
    jpeg = folder / "camera.jpg";
    thumbnails = folder / "thumbnails";
    fs::create_directories(thumbnails);
    const auto thumbnail = folder / "thumbnail.jpg";
    Run("convert -size 160x120 gradient:yellow-green '" + thumbnail.string() + "'");
    Run("convert -size 2400x1800 -seed 5 plasma:fractal +noise Gaussian -quality 93 '" + jpeg.string() + "'");
    Run("exiftool -q -overwrite_original -JFIF:all= -Make=Quarncam -Model='QC 2000' -Software='fw 1.02'"
        " -ModifyDate='2004:05:06 07:08:09' -Orientation#=6 -XResolution=300 -YResolution=300"
        " -ExposureTime=0.004 -FNumber=2.8 -ExposureProgram#=2 -ISO=200 -DateTimeOriginal='2004:05:06 07:08:09'"
        " -CreateDate='2004:05:06 07:08:10' -ShutterSpeedValue=0.004 -ApertureValue=2.8 -ExposureCompensation=-0.7"
        " -MaxApertureValue=2.0 -MeteringMode#=5 -Flash#=16 -FocalLength=7.1 -ColorSpace#=1"
        " -ExifImageWidth=2400 -ExifImageHeight=1800 -FocalPlaneXResolution=8000 -FocalPlaneYResolution=8000"
        " -SensingMethod#=2 -FileSource#=3 -SceneType#=1 -WhiteBalance#=1 -DigitalZoomRatio=1 -InteropIndex=R98"
        " '-ThumbnailImage<=" +
        thumbnail.string() + "' '" + jpeg.string() + "'");
    other = folder / "other.jpg";
    Run("cp '" + jpeg.string() + "' '" + other.string() + "'");
    Run("convert -size 160x120 gradient:red-blue '" + thumbnail.string() + "'");
    Run("exiftool -q -overwrite_original '-ThumbnailImage<=" + thumbnail.string() + "' '" + other.string() + "'");
    if (!win::WritePrivateProfileStringA("DefDir", "DefDir", thumbnails.c_str(), "TLKLCALL.INI")) {
      throw std::runtime_error("cannot write TLKLCALL.INI");
    }
    std::fprintf(stderr, "camera JPEG: %ju bytes\n", static_cast<std::uintmax_t>(fs::file_size(jpeg)));
  }
  ~Fixture() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
};

Fixture& Files() {
  static Fixture fixture;
  return fixture;
}

void BM_ViduvodGetImageInfo(benchmark::State& state) {
  const std::string path = Files().jpeg.string();
  ImageInfoRecord record;
  for (auto _ : state) {
    if (Viduvod_GetImageInfo(path.c_str(), &record) != 1) state.SkipWithError("not read");
    benchmark::DoNotOptimize(record);
  }
}
BENCHMARK(BM_ViduvodGetImageInfo);

// Two pictures by turns, so that every call writes a new PREVIEW.JPG.
void BM_ViduvodGetImageInfoAlternating(benchmark::State& state) {
  const std::string paths[] = {Files().jpeg.string(), Files().other.string()};
  ImageInfoRecord record;
  std::size_t turn = 0;
  for (auto _ : state) {
    if (Viduvod_GetImageInfo(paths[turn++ % 2].c_str(), &record) != 1) state.SkipWithError("not read");
    benchmark::DoNotOptimize(record);
  }
}
BENCHMARK(BM_ViduvodGetImageInfoAlternating);

// The same call when the INI names no folder, so that no thumbnail is written: the reading
// alone.
void BM_ViduvodGetImageInfoWithoutThumbnail(benchmark::State& state) {
  const std::string path = Files().jpeg.string();
  win::WritePrivateProfileStringA("DefDir", "DefDir", nullptr, "TLKLCALL.INI");
  ImageInfoRecord record;
  for (auto _ : state) {
    if (Viduvod_GetImageInfo(path.c_str(), &record) != 1) state.SkipWithError("not read");
    benchmark::DoNotOptimize(record);
  }
  win::WritePrivateProfileStringA("DefDir", "DefDir", Files().thumbnails.c_str(), "TLKLCALL.INI");
}
BENCHMARK(BM_ViduvodGetImageInfoWithoutThumbnail);

void BM_LibexifParse(benchmark::State& state) {
  const std::string path = Files().jpeg.string();
  for (auto _ : state) {
    ExifData* data = exif_data_new_from_file(path.c_str());
    if (data == nullptr) state.SkipWithError("not read");
    benchmark::DoNotOptimize(data);
    exif_data_unref(data);
  }
}
BENCHMARK(BM_LibexifParse);

}  // namespace

int main(int argc, char** argv) {
  // The export reports unhandled tags on the standard output; keep the figures readable.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::ConsoleReporter reporter;
  reporter.SetOutputStream(&std::cerr);
  Files();
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
