#include "platform/win/modules/module_image.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace win {
namespace {

constexpr std::uintptr_t kExecutableImageBase = 0x00400000;

thread_local std::vector<std::shared_ptr<ModuleImage>> pendingLoads;

}  // namespace

HMODULE ExecutableModule() { return reinterpret_cast<HMODULE>(kExecutableImageBase); }

const std::shared_ptr<ModuleImage>& ExecutableImage() {
  // Never destroyed: the program's static objects unregister during exit in any order.
  static const auto* image =
      new std::shared_ptr<ModuleImage>(new ModuleImage{ExecutableModule(), nullptr, nullptr, {}});
  return *image;
}

std::shared_ptr<ModuleImage> RegistrationTarget() {
  return pendingLoads.empty() ? ExecutableImage() : pendingLoads.back();
}

void ReportImageFault(ModuleImage& image, const std::string& fault) {
  if (!image.fault.empty()) image.fault += "; ";
  image.fault += fault;
  std::fprintf(stderr, "tarnlok: module registration: %s\n", fault.c_str());
}

PendingModuleLoad::PendingModuleLoad() : image_(std::make_shared<ModuleImage>()) { pendingLoads.push_back(image_); }

PendingModuleLoad::~PendingModuleLoad() { pendingLoads.pop_back(); }

}  // namespace win
