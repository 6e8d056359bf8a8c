// Requests to the Windows 9x "\\.\vwin32" device: the DOS-call register block (DIOC_REGISTERS,
// seven u32 in the order EBX, EDX, ECX, EAX, EDI, ESI, Flags), sent and read back.
#pragma once

#include "platform/win/layouts/vwin32_registers.h"

namespace tarnlok {

using Vwin32Registers = win::DiocRegisters;

// Sends the block with the control code and reads the registers back; DeviceIoControl's result.
win::BOOL SendVwin32Request(win::HANDLE vwin32, win::DWORD code, Vwin32Registers& registers);

// DOS generic IOCTL 440Dh with these registers; true when it was sent and carry came back clear.
bool SendDosIoctl(win::HANDLE vwin32, win::DWORD ebx, win::DWORD edx, win::DWORD ecx);

}  // namespace tarnlok
