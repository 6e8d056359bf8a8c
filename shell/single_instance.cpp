#include "shell/single_instance.h"

#include "device/string_ids.h"
#include "platform/win/files/file_mapping.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/system/last_error.h"
#include "controls/shell_state.h"
#include "device/device_messages.h"

namespace tarnlok {
namespace {

bool MapCounter() {
  InstanceCounter = static_cast<win::DWORD*>(win::MapViewOfFile(InstanceMapping, win::FILE_MAP_WRITE, 0, 0, 0));
  return InstanceCounter != nullptr;
}

bool JoinExisting() {
  if (!MapCounter()) return false;
  if (*InstanceCounter != 0) {
    ReleaseSingleInstanceMapping();
    return false;
  }
  return true;
}

bool CreateGuard(const std::string& name) {
  InstanceMapping =
      win::CreateFileMappingA(win::INVALID_HANDLE_VALUE, nullptr, win::PAGE_READWRITE, 0, 4, name.c_str());
  if (InstanceMapping == nullptr) return false;
  const bool existed = win::GetLastError() == win::ERROR_ALREADY_EXISTS;
  if (!MapCounter()) return false;
  if (!existed) {
    *InstanceCounter = 0;
    ++*InstanceCounter;
  }
  return true;
}

}  // namespace

bool AcquireSingleInstance() {
  const std::string name = LoadProgramString(kStringMappingName);
  InstanceMapping = win::OpenFileMappingA(win::FILE_MAP_WRITE, win::FALSE, name.c_str());
  return InstanceMapping != nullptr ? JoinExisting() : CreateGuard(name);
}

void ReleaseSingleInstanceMapping() {
  if (InstanceCounter != nullptr) win::UnmapViewOfFile(InstanceCounter);
  InstanceCounter = nullptr;
  if (InstanceMapping != nullptr) win::CloseHandle(InstanceMapping);
  InstanceMapping = nullptr;
}

}  // namespace tarnlok
