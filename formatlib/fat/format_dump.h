// The layout dump of the FAT formatters: with KRDBGDUMP of section KRDEBUG in Pradvik.ini
// saying YES (any case, anywhere in the value), every layout value is written into section
// File_System of DFDLLDMP.INI as it becomes known, the section cleared first.
#pragma once

#include <cstdint>
#include <string>

namespace pradvik {

class FormatDump {
 public:
  // A dump that writes nothing.
  FormatDump() = default;
  // Reads the switch; when it is on, clears the section and writes the version key.
  static FormatDump FromSwitch();
  bool On() const { return on_; }
  void Number(const char* key, std::int64_t value) const;
  void Text(const char* key, const std::string& value) const;

 private:
  bool on_ = false;
};

}  // namespace pradvik
