#include "platform/ui/process_exit.h"

#include <cstdlib>

namespace ui {
namespace {

ExitHook& Hook() {
  static ExitHook hook = nullptr;
  return hook;
}

}  // namespace

void ExitProcess(UINT code) {
  if (Hook() != nullptr) Hook()(code);
  std::exit(static_cast<int>(code));
}

void SetExitHook(ExitHook hook) { Hook() = hook; }

}  // namespace ui
