// Runs the engine over an image in a test folder and reads back what it wrote.
#pragma once

#include "recovery/recovery_engine.h"
#include "recovery/testing/sample_files.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace recovery::test_support {

class RecordingObserver : public RecoveryObserver {
 public:
  void OnFileRecovered(const std::string& path, int typeCode) override { recovered.push_back({path, typeCode}); }
  void OnThumbnail(const std::string& /*path*/, const Thumbnail& thumbnail) override {
    thumbnails.push_back(thumbnail);
  }
  bool CancelRequested() override { return cancelAfterReads >= 0 && ++reads > cancelAfterReads; }
  void OnDiskFull(const std::string& /*folder*/) override { ++diskFull; }
  void Log(const std::string& text) override { log += text; }
  void OnCopyingFile(const std::string& name) override { copying.push_back(name); }

  std::vector<std::pair<std::string, int>> recovered;
  std::vector<Thumbnail> thumbnails;
  std::string log;
  std::vector<std::string> copying;  // the files the deleted-entry copy began, in order
  int cancelAfterReads = -1;
  int reads = 0;
  int diskFull = 0;
};

struct Harness {
  std::filesystem::path folder;  // fresh per harness
  std::filesystem::path output;  // folder/out
  CarveState state;
  RecordingObserver observer;

  explicit Harness(const std::string& name);
  RecoverySettings Settings(std::uint64_t selection = kAllTypes) const;
  // Writes the image, runs the whole engine over it and answers the summary.
  RunSummary RunOver(const Bytes& image, const RecoverySettings& settings, const CardFacts& card = {});
  RunSummary RunOverFile(const std::string& imagePath, const RecoverySettings& settings, const CardFacts& card = {});
  // The raw scan alone over an image held in memory (every sector of it).
  RunEnd ScanMemory(const Bytes& image, const RecoverySettings& settings, std::uint32_t sectorsPerRead = 64);
  // Every file of the output folder (name -> contents), subfolders included.
  std::map<std::string, Bytes> Outputs() const;
  // True when some output file holds exactly these bytes.
  bool HasExactCopy(const Bytes& bytes) const;
};

}  // namespace recovery::test_support
