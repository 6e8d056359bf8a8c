// Entry point of the program Tarnlok: the simulated machine the program runs on, with its
// panel window beside the program's windows, then the application object's start-up.
#include "platform/machine/machine.h"
#include "platform/panel/machine_panel.h"
#include "platform/ui/windows/win_app.h"
#include "platform/win/system/process.h"
#include "shell/main_app.h"

#include <exception>
#include <iostream>

int main() {
  win::StartProcess();
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
  return ui::AfxWinMain();
}
