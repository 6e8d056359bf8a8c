// Entry point of the program Tarnlok: the simulated machine the program runs on, with its
// panel window beside the program's windows, then the application object's start-up. With
// TARNLOK_SCRIPT naming a file, the run follows that script's steps (docs/scripting.md).
#include "platform/machine/machine.h"
#include "platform/panel/machine_panel.h"
#include "platform/script/script.h"
#include "platform/script/script_runner.h"
#include "platform/ui/windows/win_app.h"
#include "platform/win/system/process.h"
#include "shell/main_app.h"
#include "shell/script_program.h"

#include <exception>
#include <iostream>
#include <optional>

int main() {
  win::StartProcess();
  std::optional<std::vector<script::Step>> steps;
  if (const auto file = script::ScriptFileFromEnvironment()) {
    try {
      steps = script::ReadScript(*file);
    } catch (const script::ScriptError& error) {
      std::cerr << script::FailureText(error.Line(), error.what()) << '\n';
      return 1;
    }
  }
  std::unique_ptr<machine::Machine> machine;
  try {
    machine = machine::Machine::Load();
    machine->Install();
  } catch (const std::exception& error) {
    std::cerr << "Tarnlok: the machine description cannot be used: " << error.what() << '\n';
    return 1;
  }
  tarnlok::CMainApp app;
  machine::MachinePanel panel(*machine);
  panel.Open();
  if (!steps) return ui::AfxWinMain();
  script::ScriptRunner runner(std::move(*steps), tarnlok::ScriptedProgram(*machine, panel));
  return runner.Finish(ui::AfxWinMain());
}
