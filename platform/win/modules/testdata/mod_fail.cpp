// A test module whose InitInstance fails.
#include "platform/win/module_registration.h"
#include "platform/win/testdata/module_events.h"

namespace {

class ModFailApp : public win::ModuleApp {
 public:
  win::BOOL InitInstance() override {
    win::testing::RecordModuleEvent("fail:init");
    return win::FALSE;
  }

  int ExitInstance() override {
    win::testing::RecordModuleEvent("fail:exit");
    return 0;
  }
};

ModFailApp theApp;

}  // namespace

extern "C" [[gnu::visibility("default")]] int ModuleAnswer() { return 13; }
