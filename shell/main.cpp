// Entry point of the program Tarnlok: the simulated machine the program runs on, then the
// application object's start-up.
#include "platform/machine/machine.h"
#include "platform/ui/win_app.h"
#include "platform/win/process.h"
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
  return ui::AfxWinMain();
}
