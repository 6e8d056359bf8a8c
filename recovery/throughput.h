// The throughput read-out of a run: bytes per minute and the gauge position against a full scale
// that doubles whenever the rate passes it.
#pragma once

#include <cstdint>

namespace recovery {

struct ThroughputReading {
  bool shown = false;  // nothing is shown for 0 seconds or 0 bytes
  std::uint64_t bytesPerMinute = 0;
  int gaugePosition = 0;  // 0 to 100
};

ThroughputReading ComputeThroughput(int seconds, std::uint64_t bytes, std::uint64_t& gaugeMax);

}  // namespace recovery
