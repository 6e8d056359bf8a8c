// Entry point of the program Tarnlok: the simulated machine the program runs on, with its
// panel window beside the program's windows, then the application object's start-up. With
// TARNLOK_SCRIPT naming a file, the run follows that script's steps (docs/scripting.md).
#include "platform/machine/machine.h"
#include "platform/panel/machine_panel.h"
#include "platform/script/script.h"
#include "platform/script/script_runner.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/desktop_screen.h"
#include "platform/ui/windows/process_exit.h"
#include "platform/ui/windows/win_app.h"
#include "platform/win/system/process.h"
#include "shell/main_app.h"
#include "shell/script_program.h"

#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

namespace {

constexpr const char* kOffscreenNotice =
    "Tarnlok: there is no display, so the windows are offscreen and nobody sees them.\n"
    "  To see them, start Tarnlok in a desktop session, or run `scripts/run --vnc`: it serves the\n"
    "  windows by VNC on localhost:5900 only, with a password (README: Without a display).\n";

// A start-up that cannot go on tells the person why: in a window when there is a screen (nobody
// could answer one offscreen), and always on standard error. The status is not 0.
int StartupFailed(const std::string& reason) {
  const std::string text = "Tarnlok cannot start.\n\n" + reason;
  std::cerr << "Tarnlok cannot start: " << reason << '\n';
  if (ui::ShowsOnScreen()) ui::MessageBoxA(nullptr, text.c_str(), "Tarnlok", ui::MB_OK | ui::MB_ICONERROR);
  ui::DestroyAllWindows();
  return 1;
}

// The main window's run, driven by the script's steps when there is a script.
int RunMainWindow(std::optional<std::vector<script::Step>> steps, machine::Machine& machine,
                  machine::MachinePanel& panel) {
  if (!steps) return ui::AfxWinMain();
  script::ScriptRunner runner(std::move(*steps), tarnlok::ScriptedProgram(machine, panel));
  return runner.Finish(ui::AfxWinMain());
}

}  // namespace

int main() {
  if (!ui::ShowsOnScreen()) std::cerr << kOffscreenNotice;
  try {
    win::StartProcess();
  } catch (const std::filesystem::filesystem_error& error) {
    return StartupFailed("the data folder cannot be written: " + error.path1().string() + ": " +
                         error.code().message());
  }
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
    return StartupFailed(error.what());
  }
  tarnlok::CMainApp app;
  machine::MachinePanel panel(*machine);
  panel.Open();
  const int status = RunMainWindow(std::move(steps), *machine, panel);
  // The windows go while the desktop's toolkit still stands, before static destruction.
  ui::DestroyAllWindows();
  return status;
}
