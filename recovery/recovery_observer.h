// What a recovery run tells the page that shows it, and what it asks of it. Every call comes on
// the run's own thread between two reads; the defaults do nothing, so a test or a driver
// overrides only what it watches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace recovery {

enum class ReadFailureAnswer { Abort, Retry, Ignore, IgnoreAll };

constexpr int kThumbnailSide = 80;

// A recovered picture scaled into the results list's 80 x 80 square (see AddRecoveryThumbnail).
struct Thumbnail {
  std::string name;  // file name and extension, no folder
  int kind = 0;  // image kind of the loader: 0 BMP, 1 GIF, 2 JPEG, 3 PNG, 4 ICO, 5 TIFF
  bool placeholder = true;  // the picture could not be loaded: the page shows its placeholder bitmap
  int pictureWidth = 0, pictureHeight = 0;
  int left = 0, top = 0, width = 0, height = 0;  // target rectangle inside the square
  // The square's 0x00RRGGBB pixels, row by row from the top, the picture stretched into the
  // rectangle; empty for the placeholder.
  std::vector<std::uint32_t> pixels;
};

class RecoveryObserver {
 public:
  virtual ~RecoveryObserver() = default;

  // The page's cancel flag was set: ask "Do you really want to cancel this operation?" and
  // clear the flag; true ends the run. Polled at every read and every sector.
  virtual bool CancelRequested() { return false; }
  // Pending window messages, once per cluster and once per read.
  virtual void PumpMessages() {}
  // A read of the raw scan failed (the page shows its Abort/Retry/Ignore/Ignore All prompt).
  virtual ReadFailureAnswer OnReadFailure(std::uint32_t /*firstSector*/) { return ReadFailureAnswer::Ignore; }

  // Read-outs: percent of the cluster walk or scan, first sector of the current read, total of
  // recovered files, the status text of the copy passes ("Copying the files...").
  virtual void OnProgress(int /*percent*/) {}
  virtual void OnSector(std::uint32_t /*sector*/) {}
  virtual void OnRecoveredCount(int /*count*/) {}
  virtual void OnCopyingFiles() {}
  virtual void OnCopyingFile(const std::string& /*name*/) {}

  // Seconds counted by the page's one-second timer since the last throughput display, and the
  // display itself (the page resets its count there; see ComputeThroughput).
  virtual int TimerSeconds() { return 0; }
  virtual void ShowThroughput(int /*seconds*/, std::uint64_t /*bytes*/) {}

  // A recovered file was kept under path; a picture comes with its thumbnail when the settings
  // ask for thumbnails (thumbnail is then non-null).
  virtual void OnFileRecovered(const std::string& /*path*/, int /*typeCode*/) {}
  virtual void OnThumbnail(const std::string& /*path*/, const Thumbnail& /*thumbnail*/) {}

  // The output disk is full: "No Free Space available to store recover files in %s".
  virtual void OnDiskFull(const std::string& /*outputFolder*/) {}
  // A line for ERRLOG.log.
  virtual void Log(const std::string& /*text*/) {}
};

}  // namespace recovery
