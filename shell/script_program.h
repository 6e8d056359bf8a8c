// What a scripted run (TARNLOK_SCRIPT, docs/scripting.md) needs to know of this program: its
// device list, when an operation runs, and the dialogs that ask as a message box does.
#pragma once

#include "platform/script/script_runner.h"

namespace tarnlok {

script::Program ScriptedProgram(machine::Machine& machine, machine::MachinePanel& panel);

}  // namespace tarnlok
