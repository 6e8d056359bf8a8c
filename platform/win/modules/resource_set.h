// The resources of one module, read from the files of its resource folder: the string table
// from "strings.txt" and every other resource from "<type>/<id>.<extension>" (the type is the
// folder's name, as "dialog", "icon", "bitmap", "accelerator"), kept as the file's bytes.
#pragma once

#include "platform/win/module_registration.h"
#include "platform/win/types.h"

#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace win {

class ResourceSetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ResourceSet {
 public:
  // Throws ResourceSetError naming the file (and line) of the first fault.
  explicit ResourceSet(std::span<const ResourceFile> files);

  // The string of an id; null when the table has none.
  const std::string* String(UINT id) const;

  // The bytes of a resource; on failure null and ERROR_RESOURCE_TYPE_NOT_FOUND or
  // ERROR_RESOURCE_NAME_NOT_FOUND in error.
  const std::span<const BYTE>* Find(std::string_view type, UINT id, DWORD& error) const;

 private:
  void AddFile(const ResourceFile& file);

  std::map<UINT, std::string> strings_;
  std::map<std::pair<std::string, UINT>, std::span<const BYTE>> resources_;
};

}  // namespace win
