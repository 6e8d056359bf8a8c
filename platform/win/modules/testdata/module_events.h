// The test modules record what their application objects do in an environment variable of the
// process, which the tests read: a module is gone by the time a test looks at what it did.
#pragma once

#include <cstdlib>
#include <string>
#include <string_view>

namespace win::test_support {

constexpr const char* kModuleEventsVariable = "TARNLOK_TEST_MODULE_EVENTS";

inline std::string ModuleEvents() {
  const char* events = std::getenv(kModuleEventsVariable);
  return events == nullptr ? std::string() : std::string(events);
}

inline void RecordModuleEvent(std::string_view event) {
  const std::string events = ModuleEvents() + std::string(event) + ";";
  ::setenv(kModuleEventsVariable, events.c_str(), 1);
}

// What the modules of earlier cases of the same process did is no concern of the next case.
inline void ForgetModuleEvents() { ::unsetenv(kModuleEventsVariable); }

}  // namespace win::test_support
