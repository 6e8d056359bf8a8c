#include "shell/script_program.h"

#include "device/device_state.h"
#include "operations/error_prompt_dlg.h"
#include "controls/control_ids.h"
#include "shell/main_dlg.h"
#include "controls/resource_ids.h"

namespace tarnlok {
namespace {

// The error prompt of a run: the failing step's text and its four buttons.
script::PromptDialog ErrorPrompt() {
  using enum script::Answer;
  using namespace error_prompt;
  return script::PromptDialog{
      kErrorPromptTemplate,
      kStepText,
      {{Abort, kAbortButton}, {Retry, kRetryButton}, {Ignore, kIgnoreButton}, {IgnoreAll, kIgnoreAllButton}}};
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
