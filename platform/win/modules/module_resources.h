// Resources by module handle: each module (the program, each library) answers from its own
// resource folder, embedded at build time by tarnlok_add_resources (resource_set.h gives the
// folder's layout; string_table_source.h the string table's). A NULL module is the program.
#pragma once

#include "platform/win/system/types.h"

#include <optional>
#include <span>
#include <string_view>

namespace win {

// Resource types, the names of their folders.
constexpr std::string_view RESOURCE_DIALOG = "dialog";
constexpr std::string_view RESOURCE_ICON = "icon";
constexpr std::string_view RESOURCE_BITMAP = "bitmap";
constexpr std::string_view RESOURCE_ACCELERATOR = "accelerator";
constexpr std::string_view RESOURCE_MENU = "menu";
constexpr std::string_view RESOURCE_CURSOR = "cursor";

// Copies string id into buffer, cut to bufferMax - 1 characters, always with its zero, and
// answers the characters copied. 0 when the string does not exist (or is empty), for a zero or
// negative bufferMax, and for a null buffer.
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax);

// The bytes of a resource; nullopt with ERROR_RESOURCE_TYPE_NOT_FOUND,
// ERROR_RESOURCE_NAME_NOT_FOUND, or ERROR_RESOURCE_DATA_NOT_FOUND for a module that has no
// resources or an unknown handle. The bytes live as long as the module stays loaded.
std::optional<std::span<const BYTE>> FindModuleResource(HMODULE module, std::string_view type, UINT id);

}  // namespace win
