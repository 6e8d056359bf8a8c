#include "formatlib/testing/library_prompts.h"

#include "platform/ui/windows/window_api.h"

#include <gtest/gtest.h>

#include <array>

namespace pradvik::test_support {

void LibraryPrompts::Answer(int templateId, int button) {
  driver_.OnDialog(templateId, [this, button](ui::HWND dialog) {
    std::array<char, 512> text{};
    ui::GetDlgItemTextA(dialog, 1004, text.data(), static_cast<int>(text.size()));
    texts_.emplace_back(text.data());
    driver_.Click(dialog, button);
  });
}

}  // namespace pradvik::test_support
