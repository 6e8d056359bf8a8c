// What a module (the program or a library) hands the platform about itself, without any export
// of its own: its resources and its application object. Both are static objects of the module
// whose constructors run while the module loads (before main for the program, inside dlopen for
// a library); the platform knows which LoadLibraryA is in progress on the thread and files them
// under that module, or under the program when no load is in progress.
#pragma once

#include "platform/win/types.h"

#include <cstddef>
#include <memory>
#include <span>
#include <string>

namespace win {

struct ModuleImage;
class ResourceSet;

// One file of a module's resource folder, embedded at build time ("strings.txt",
// "dialog/129.txt", "bitmap/220.png").
struct ResourceFile {
  const char* path;
  const unsigned char* data;
  std::size_t size;
};

// The static object that tarnlok_add_resources generates into each module.
class ModuleRegistration {
 public:
  explicit ModuleRegistration(std::span<const ResourceFile> files) noexcept;
  ~ModuleRegistration();
  ModuleRegistration(const ModuleRegistration&) = delete;
  ModuleRegistration& operator=(const ModuleRegistration&) = delete;

  // Null when the files could not be read (the module's load then fails).
  const ResourceSet* Resources() const { return resources_.get(); }

 private:
  std::unique_ptr<ResourceSet> resources_;
  std::shared_ptr<ModuleImage> image_;
};

// The application object of a module, at most one per module, constructed as a static object.
// Loading a library runs InitInstance once; FALSE fails the load, and ExitInstance runs then
// as well as on the last FreeLibrary, as the framework's detach does. The program's own object
// is started by the windowing framework. The framework's CWinApp derives from this.
class ModuleApp {
 public:
  ModuleApp();
  virtual ~ModuleApp();
  ModuleApp(const ModuleApp&) = delete;
  ModuleApp& operator=(const ModuleApp&) = delete;

  virtual BOOL InitInstance();
  virtual int ExitInstance();

  // The module the object belongs to; null before its library has been loaded.
  HMODULE ModuleHandle() const;

 private:
  std::shared_ptr<ModuleImage> image_;
};

// The application object of a loaded module (NULL: the program); null when it has none.
ModuleApp* ModuleAppOf(HMODULE module);

}  // namespace win
