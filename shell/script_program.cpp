#include "shell/script_program.h"

#include "device/device_state.h"
#include "shell/main_dlg.h"

namespace tarnlok {
namespace {

// The error prompt of a run (template 152): the failing step's text and its four buttons.
script::PromptDialog ErrorPrompt() {
  using enum script::Answer;
  return script::PromptDialog{152, 1132, {{Abort, 4}, {Retry, 1130}, {Ignore, 1131}, {IgnoreAll, 3}}};
}

}  // namespace

script::Program ScriptedProgram(machine::Machine& machine, machine::MachinePanel& panel) {
  script::Program program;
  program.deviceList = kDeviceListControl;
  program.operationRuns = [] { return OperationBusy != 0; };
  program.prompts = {ErrorPrompt()};
  program.machine = &machine;
  program.panel = &panel;
  return program;
}

}  // namespace tarnlok
