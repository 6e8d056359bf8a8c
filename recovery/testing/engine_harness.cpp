#include "recovery/testing/engine_harness.h"

#include "platform/win/files/files.h"
#include "platform/win/files/paths.h"
#include "recovery/testing/memory_source.h"
#include "tests/support/test_data_folder.h"

namespace recovery::test_support {

Harness::Harness(const std::string& name)
    : folder(tarnlok::test_support::TestDataHome() / ("recovery-" + name)), output(folder / "out") {
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
}

RecoverySettings Harness::Settings(std::uint64_t selection) const {
  RecoverySettings settings;
  // The program's own form of the folder: a Windows path.
  settings.outputFolder = win::WindowsPathOfHost(output) + "\\";
  settings.prefix = "";
  settings.typeSelection = selection;
  settings.showThumbnails = true;
  return settings;
}

RunSummary Harness::RunOver(const Bytes& image, const RecoverySettings& settings, const CardFacts& card) {
  const std::string path = (folder / "card.img").string();
  WriteFile(path, image);
  return RunOverFile(path, settings, card);
}

RunSummary Harness::RunOverFile(const std::string& imagePath, const RecoverySettings& settings, const CardFacts& card) {
  ImageSectorSource source(imagePath);
  RecoveryEngine engine(state, source, observer);
  return engine.Run(settings, card);
}

RunEnd Harness::ScanMemory(const Bytes& image, const RecoverySettings& settings, std::uint32_t sectorsPerRead) {
  MemorySectorSource source(image);
  std::filesystem::create_directories(output);
  state.BeginRun(settings, &observer, &source);
  RecoveryEngine engine(state, source, observer);
  return engine.RawScan(ScanRange{0, source.SectorCount()}, sectorsPerRead);
}

std::map<std::string, Bytes> Harness::Outputs() const {
  std::map<std::string, Bytes> files;
  if (!std::filesystem::exists(output)) return files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(output))
    if (entry.is_regular_file())
      files[std::filesystem::relative(entry.path(), output).string()] = ReadWholeFile(entry.path().string());
  return files;
}

bool Harness::HasExactCopy(const Bytes& bytes) const {
  for (const auto& [name, contents] : Outputs())
    if (contents == bytes) return true;
  return false;
}

}  // namespace recovery::test_support
