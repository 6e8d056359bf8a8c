// The format library's failure prompts answered in a test as the person would: each prompt of
// a template gets the next button asked for, and its text is kept.
#pragma once

#include "platform/ui/testing/test_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pradvik::test_support {

class LibraryPrompts {
 public:
  // Answers the next prompt of the template (1000 with Retry, 1001 without) with the button.
  void Answer(int templateId, int button);
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  ui::TestDriver driver_{[](const std::string& what) { ADD_FAILURE() << what; }};
  std::vector<std::string> texts_;
};

}  // namespace pradvik::test_support
