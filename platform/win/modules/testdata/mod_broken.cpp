// A test module whose string table is broken: it must not load, and its InitInstance never runs.
#include "platform/win/module_registration.h"
#include "platform/win/testdata/module_events.h"

namespace {

class ModBrokenApp : public win::ModuleApp {
 public:
  win::BOOL InitInstance() override {
    win::testing::RecordModuleEvent("broken:init");
    return win::TRUE;
  }
};

ModBrokenApp theApp;

}  // namespace
