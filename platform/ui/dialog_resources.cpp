#include "platform/ui/dialog_resources.h"

#include <map>

namespace ui {
namespace {

// Module handle and id to template; later registrations of the same id replace earlier ones.
using Key = std::pair<std::uintptr_t, int>;

struct Registry {
  std::map<Key, DialogTemplate> templates;
  std::map<int, std::uintptr_t> newest;  // id to the module that registered it last
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterDialogTemplates(HINSTANCE module, std::vector<DialogTemplate> templates) {
  auto& registry = TheRegistry();
  for (auto& dialog : templates) {
    const int id = dialog.id;
    registry.templates[Key{HandleBits(module), id}] = std::move(dialog);
    registry.newest[id] = HandleBits(module);
  }
}

void RegisterDialogTemplateText(HINSTANCE module, std::string_view text) {
  RegisterDialogTemplates(module, ParseDialogTemplates(text));
}

const DialogTemplate* FindDialogTemplate(HINSTANCE module, int id) {
  auto& registry = TheRegistry();
  std::uintptr_t owner = HandleBits(module);
  if (module == nullptr) {
    const auto newest = registry.newest.find(id);
    if (newest == registry.newest.end()) return nullptr;
    owner = newest->second;
  }
  const auto found = registry.templates.find(Key{owner, id});
  return found == registry.templates.end() ? nullptr : &found->second;
}

void ForgetDialogTemplates(HINSTANCE module) {
  auto& registry = TheRegistry();
  std::erase_if(registry.templates, [&](const auto& entry) { return entry.first.first == HandleBits(module); });
  std::erase_if(registry.newest, [&](const auto& entry) { return entry.second == HandleBits(module); });
}

}  // namespace ui
