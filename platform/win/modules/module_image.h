// Platform-internal: what the static objects of one loaded shared object registered, and the
// choice of the image they register with.
#pragma once

#include "platform/win/types.h"

#include <memory>
#include <string>

namespace win {

class ModuleApp;
class ModuleRegistration;

struct ModuleImage {
  HMODULE handle = nullptr;  // set while the image is a loaded module
  const ModuleRegistration* registration = nullptr;
  ModuleApp* app = nullptr;
  std::string fault;  // a registration that went wrong; the module must not load

  bool Empty() const { return registration == nullptr && app == nullptr && fault.empty(); }
};

// The program's module handle, its image base as on Windows.
HMODULE ExecutableModule();

const std::shared_ptr<ModuleImage>& ExecutableImage();

// The image that a static object constructed now belongs to: that of the load in progress on
// this thread, else the program's.
std::shared_ptr<ModuleImage> RegistrationTarget();

// Records a fault of a registration and tells the developer at once: a module that is built
// wrongly should say why, not only fail to load.
void ReportImageFault(ModuleImage& image, const std::string& fault);

// Marks a library load in progress on this thread for its lifetime; registrations made
// meanwhile go to image().
class PendingModuleLoad {
 public:
  PendingModuleLoad();
  ~PendingModuleLoad();
  PendingModuleLoad(const PendingModuleLoad&) = delete;
  PendingModuleLoad& operator=(const PendingModuleLoad&) = delete;

  const std::shared_ptr<ModuleImage>& image() const { return image_; }

 private:
  std::shared_ptr<ModuleImage> image_;
};

// The image of a loaded module (NULL: the program's); null for an unknown handle or a built-in
// module. Defined with the module table.
std::shared_ptr<ModuleImage> ImageOfModule(HMODULE module);

}  // namespace win
