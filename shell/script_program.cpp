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

// The format library's failure prompts, which it shows from its own resources while an export
// runs: template 1000 with Retry, 1001 without, the text in 1004.
std::vector<script::PromptDialog> FormatLibraryPrompts() {
  using enum script::Answer;
  constexpr int kText = 1004;
  const std::vector<std::pair<script::Answer, int>> noRetry{{Abort, 1000}, {Ignore, 1002}, {IgnoreAll, 1003}};
  auto withRetry = noRetry;
  withRetry.emplace_back(Retry, 1001);
  return {script::PromptDialog{1000, kText, withRetry}, script::PromptDialog{1001, kText, noRetry}};
}

}  // namespace

script::Program ScriptedProgram(machine::Machine& machine, machine::MachinePanel& panel) {
  script::Program program;
  program.deviceList = kDeviceListControl;
  program.operationRuns = [] { return OperationBusy != 0; };
  program.prompts = FormatLibraryPrompts();
  program.prompts.push_back(ErrorPrompt());
  program.machine = &machine;
  program.panel = &panel;
  return program;
}

}  // namespace tarnlok
