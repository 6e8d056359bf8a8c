// The registry's text file: the layout of a REGEDIT4 export, which a person can read and edit.
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\Software\Quarnwell\Tarnlok V2\Settings]
//   "START"=hex:01
//   "Default Folder"="C:\\Recover"
//   "Count"=dword:0000002a
//   @="the default value"
//   "Odd"=hex(1):41,42
//
// A string is written in quotes only when it is a REG_SZ ending in its one terminating zero;
// any other value keeps its exact bytes as hex(type). In quotes, \\, \" and \xHH (control and
// non-ASCII bytes) are escapes; in key names, %HH stands for a control or non-ASCII byte and
// for '%', '[', ']' and '\\'. A key is written when it holds values or has no sub-keys; the keys on
// its path exist through it.
#pragma once

#include "platform/win/registry/registry_tree.h"

#include <string>
#include <string_view>
#include <vector>

namespace win {

std::string FormatRegistryText(const RegistryTree& tree);

struct ParsedRegistry {
  RegistryTree tree;
  // One text per line that could not be read ("line 7: ..."); such lines are skipped.
  std::vector<std::string> problems;
};

ParsedRegistry ParseRegistryText(std::string_view text);

}  // namespace win
