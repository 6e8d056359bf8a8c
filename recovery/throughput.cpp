#include "recovery/throughput.h"

namespace recovery {

ThroughputReading ComputeThroughput(int seconds, std::uint64_t bytes, std::uint64_t& gaugeMax) {
  ThroughputReading reading;
  if (seconds <= 0 || bytes == 0) return reading;
  reading.shown = true;
  reading.bytesPerMinute = bytes / static_cast<std::uint64_t>(seconds) * 60;
  if (reading.bytesPerMinute > gaugeMax) gaugeMax = reading.bytesPerMinute * 2;
  if (reading.bytesPerMinute != 0 && gaugeMax != 0)
    reading.gaugePosition = static_cast<int>(reading.bytesPerMinute * 100 / gaugeMax);
  return reading;
}

}  // namespace recovery
