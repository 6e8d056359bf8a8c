// Dialog templates by module and id. A module's templates come from the text source of its
// resources (dialog_template.h, "dialog/<id>.txt"); tests may register theirs in code.
#pragma once

#include "platform/ui/dialog_template.h"

namespace ui {

void RegisterDialogTemplates(HINSTANCE module, std::vector<DialogTemplate> templates);
// Parses the text and registers what it holds; throws TemplateError.
void RegisterDialogTemplateText(HINSTANCE module, std::string_view text);
// The module's template of that id: one registered in code, else the module's dialog resource
// (its text parsed once). With a null module and nothing in the program's resources, the most
// recently registered template of any module. Null when there is none; a resource that does
// not parse is reported on stderr with its line.
const DialogTemplate* FindDialogTemplate(HINSTANCE module, int id);
void ForgetDialogTemplates(HINSTANCE module);

}  // namespace ui
