// A test module whose InitInstance succeeds. During InitInstance it reads its own string 1 and
// file name, which must already answer for its handle.
#include "platform/win/module_registration.h"
#include "platform/win/module_resources.h"
#include "platform/win/modules.h"
#include "platform/win/testdata/module_events.h"

#include <array>
#include <string>

namespace {

class ModOkApp : public win::ModuleApp {
 public:
  win::BOOL InitInstance() override {
    std::array<char, 64> text{};
    std::array<char, 260> path{};
    win::LoadStringA(ModuleHandle(), 1, text.data(), static_cast<int>(text.size()));
    win::GetModuleFileNameA(ModuleHandle(), path.data(), static_cast<win::DWORD>(path.size()));
    win::testing::RecordModuleEvent(std::string("ok:init:") + text.data() + ":" + path.data());
    return win::TRUE;
  }

  int ExitInstance() override {
    win::testing::RecordModuleEvent("ok:exit");
    return 0;
  }
};

ModOkApp theApp;

}  // namespace

extern "C" [[gnu::visibility("default")]] int ModuleAnswer() { return 42; }

// Hidden like every symbol a module does not mark for export.
extern "C" int HiddenAnswer() { return 7; }
