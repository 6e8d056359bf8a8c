// The raw scan of a 512 MiB card image of mixed files and random bytes, from the card reads
// through the header tests and writers to the output files. Among the files are camera-sized
// photographs (8 megapixels, a few MB each, JFIF by cjpeg and Exif by exiftool) as a card out of
// a camera holds. The image is built once in the temporary folder and then read from the page
// cache. Counters: bytes per second and how many of the laid files came back byte-exact.
#include "recovery/recovery_engine.h"
#include "recovery/testing/sample_files.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

namespace {

using recovery::test_support::Bytes;
using recovery::test_support::SampleFile;

constexpr std::size_t kImageBytes = std::size_t{512} << 20;
constexpr int kPhotographBases = 3;
constexpr int kPhotographsPerBase = 12;

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// Photographs of 3264x2448 pixels: a few fractal pictures (slow to draw), each shifted and
// compressed at several qualities (quick) so that no two files are alike.
std::vector<SampleFile> Photographs(const std::filesystem::path& folder) {
  std::vector<SampleFile> photographs;
  for (int base = 0; base < kPhotographBases; ++base) {
    const std::string picture = (folder / ("photo" + std::to_string(base) + ".ppm")).string();
    if (!Run("convert -size 3264x2448 plasma:fractal -seed " + std::to_string(base + 7) + " -depth 8 " + picture))
      continue;
    for (int shot = 0; shot < kPhotographsPerBase; ++shot) {
      const std::string name = (folder / ("photo" + std::to_string(base) + "_" + std::to_string(shot))).string();
      const std::string quality = std::to_string(93 + shot % 6);
      const std::string roll = "-roll +" + std::to_string(shot * 211) + "+" + std::to_string(shot * 97);
      if (!Run("convert " + picture + " " + roll + " ppm:- | cjpeg -quality " + quality + " -outfile " + name + ".jpg"))
        continue;
      const bool exif = shot % 2 == 1;
      if (exif && !Run("exiftool -q -overwrite_original -JFIF:all= -Make=Tarnlok -Model=Shot " + name + ".jpg"))
        continue;
      recovery::test_support::Bytes bytes = recovery::test_support::ReadWholeFile(name + ".jpg");
      if (!bytes.empty())
        photographs.push_back({exif ? "JPG (photograph, Exif)" : "JPG (photograph, JFIF)", "JPG", std::move(bytes)});
    }
    std::filesystem::remove(picture);
  }
  return photographs;
}

struct BenchImage {
  std::filesystem::path folder;
  std::string path;
  std::vector<SampleFile> files;
  std::size_t photographs = 0;
};

const BenchImage& Image() {
  static const BenchImage image = [] {
    BenchImage made;
    made.folder = std::filesystem::temp_directory_path() / "tarnlok-recovery-bench";
    std::filesystem::create_directories(made.folder);
    made.path = (made.folder / "card.img").string();
    for (std::uint32_t seed = 1; seed <= 2; ++seed)
      for (SampleFile& file : recovery::test_support::HandMadeSamples(seed, std::size_t{4} << 20))
        made.files.push_back(std::move(file));
    for (SampleFile& file : recovery::test_support::ToolMadeSamples(made.folder.string(), 1, 12))
      made.files.push_back(std::move(file));
    // The photographs spread among the other files, as shots taken between them.
    std::vector<SampleFile> photographs = Photographs(made.folder);
    made.photographs = photographs.size();
    const std::size_t every = made.files.size() / (photographs.size() + 1) + 1;
    for (std::size_t k = 0; k < photographs.size(); ++k)
      made.files.insert(
          made.files.begin() + static_cast<std::ptrdiff_t>(std::min(made.files.size(), (k + 1) * every + k)),
          std::move(photographs[k]));
    std::size_t payload = 0;
    for (const SampleFile& file : made.files) payload += (file.bytes.size() + 511) / 512 * 512;
    const std::uint32_t gapSectors =
        static_cast<std::uint32_t>((kImageBytes - payload) / 512 / (made.files.size() + 1));
    Bytes bytes;
    bytes.reserve(kImageBytes);
    recovery::test_support::LayOut(made.files, bytes, gapSectors, true, 99);
    bytes.resize(kImageBytes, 0);
    recovery::test_support::WriteFile(made.path, bytes);
    return made;
  }();
  return image;
}

// The files that did not come back byte-exact, by kind.
int ExactCount(const BenchImage& image, const std::filesystem::path& output, std::string& missing) {
  std::set<std::size_t> found;
  for (const auto& entry : std::filesystem::directory_iterator(output)) {
    const Bytes contents = recovery::test_support::ReadWholeFile(entry.path().string());
    found.insert(std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(contents.data()), contents.size())));
  }
  int exact = 0;
  missing.clear();
  for (const SampleFile& file : image.files) {
    const bool back = found.count(std::hash<std::string_view>{}(
                          std::string_view(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()))) != 0;
    exact += back;
    if (!back) missing += " [" + file.kind + "]";
  }
  return exact;
}

void RawScanOfMixedImage(benchmark::State& state) {
  const BenchImage& image = Image();
  if (image.photographs == 0) {
    state.SkipWithError("no photograph made: convert, cjpeg and exiftool are needed");
    return;
  }
  const std::filesystem::path output = image.folder / "out";
  recovery::RecoveryObserver observer;
  int exact = 0;
  std::string missing;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(output);
    std::filesystem::create_directories(output);
    recovery::ImageSectorSource source(image.path);
    recovery::CarveState carve;
    recovery::RecoverySettings settings;
    settings.outputFolder = output.string() + "/";
    settings.typeSelection = recovery::kAllTypes;
    settings.showThumbnails = false;
    carve.BeginRun(settings, &observer, &source);
    recovery::RecoveryEngine engine(carve, source, observer);
    state.ResumeTiming();
    engine.RawScan(recovery::ScanRange{0, source.SectorCount()}, 64);
    state.PauseTiming();
    exact = ExactCount(image, output, missing);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kImageBytes));
  state.counters["files"] = static_cast<double>(image.files.size());
  state.counters["byte_exact"] = exact;
  state.SetLabel("not exact:" + missing);
}

BENCHMARK(RawScanOfMixedImage)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
