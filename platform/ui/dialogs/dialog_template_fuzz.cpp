// Dialog template and accelerator texts of any shape parse or fail with their own error.
#include "platform/ui/dialogs/dialog_template.h"
#include "platform/ui/resources/resources.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    ui::ParseDialogTemplates(text);
  } catch (const ui::TemplateError&) {}
  try {
    ui::ParseAccelerators(text);
  } catch (const ui::AcceleratorError&) {}
  return 0;
}
