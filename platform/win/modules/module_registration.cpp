#include "platform/win/module_registration.h"

#include "platform/win/module_image.h"
#include "platform/win/resource_set.h"

#include <exception>

namespace win {

ModuleRegistration::ModuleRegistration(std::span<const ResourceFile> files) noexcept : image_(RegistrationTarget()) {
  // Runs during static initialisation, where an exception would end the process unexplained.
  try {
    resources_ = std::make_unique<ResourceSet>(files);
  } catch (const std::exception& error) {
    ReportImageFault(*image_, std::string("resources: ") + error.what());
  }
  if (image_->registration != nullptr) {
    ReportImageFault(*image_, "a module has a second set of resources");
    return;
  }
  image_->registration = this;
}

ModuleRegistration::~ModuleRegistration() {
  if (image_->registration == this) image_->registration = nullptr;
}

ModuleApp::ModuleApp() : image_(RegistrationTarget()) {
  if (image_->app != nullptr) {
    ReportImageFault(*image_, "a module has a second application object");
    return;
  }
  image_->app = this;
}

ModuleApp::~ModuleApp() {
  if (image_->app == this) image_->app = nullptr;
}

BOOL ModuleApp::InitInstance() { return TRUE; }

int ModuleApp::ExitInstance() { return 0; }

HMODULE ModuleApp::ModuleHandle() const { return image_->handle; }

ModuleApp* ModuleAppOf(HMODULE module) {
  const auto image = ImageOfModule(module);
  return image == nullptr ? nullptr : image->app;
}

}  // namespace win
