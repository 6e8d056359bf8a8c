#include "platform/ui/resources/dialog_resources.h"

#include "platform/win/modules/module_resources.h"

#include <cstdio>
#include <map>
#include <string_view>

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

namespace {

// Parses the module's dialog resource of that id into the registry.
const DialogTemplate* LoadFromResources(HINSTANCE module, int id) {
  const auto bytes = win::FindModuleResource(module, win::RESOURCE_DIALOG, static_cast<UINT>(id));
  if (!bytes) return nullptr;
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  try {
    auto parsed = ParseDialogTemplates(text);
    std::erase_if(parsed, [id](const DialogTemplate& each) { return each.id != id; });
    if (parsed.empty()) throw TemplateError("dialog resource " + std::to_string(id) + " holds no dialog of its id");
    parsed.resize(1);
    RegisterDialogTemplates(module, std::move(parsed));
  } catch (const TemplateError& error) {
    std::fprintf(stderr, "dialog resource %d: %s\n", id, error.what());
    return nullptr;
  }
  return &TheRegistry().templates[Key{HandleBits(module), id}];
}

}  // namespace

const DialogTemplate* FindDialogTemplate(HINSTANCE module, int id) {
  auto& registry = TheRegistry();
  std::uintptr_t owner = HandleBits(module);
  if (const auto found = registry.templates.find(Key{owner, id}); found != registry.templates.end())
    return &found->second;
  if (const DialogTemplate* loaded = LoadFromResources(module, id)) return loaded;
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
