// Dialog templates by module and id. A module's templates come from the text source of its
// resources (dialog_template.h); tests register theirs in code.
#pragma once

#include "platform/ui/dialog_template.h"

namespace ui {

void RegisterDialogTemplates(HINSTANCE module, std::vector<DialogTemplate> templates);
// Parses the text and registers what it holds; throws TemplateError.
void RegisterDialogTemplateText(HINSTANCE module, std::string_view text);
// The module's template of that id; with a null module, the most recently registered one of
// any module. Null when there is none.
const DialogTemplate* FindDialogTemplate(HINSTANCE module, int id);
void ForgetDialogTemplates(HINSTANCE module);

}  // namespace ui
