#include "shell/script_program.h"

#include "device/device_state.h"
#include "shell/main_dlg.h"

namespace tarnlok {

script::Program ScriptedProgram(machine::Machine& machine, machine::MachinePanel& panel) {
  script::Program program;
  program.deviceList = kDeviceListControl;
  program.operationRuns = [] { return OperationBusy != 0; };
  program.machine = &machine;
  program.panel = &panel;
  return program;
}

}  // namespace tarnlok
