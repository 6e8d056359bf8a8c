#include "controls/help_topics.h"

#include "platform/win/registry/profile.h"
#include "platform/win/registry/text_case.h"
#include "platform/win/system/shell_services.h"

#include <array>

namespace tarnlok {
namespace {

// Help topics by page code (page_codes.h); none before a page has been shown.
constexpr std::array<const char*, 7> kTopics = {"",
                                                "Tab Style Layout",
                                                "Tarnlok Backup",
                                                "Using Tarnlok Restore",
                                                "Tarnlok Duplicate",
                                                "Using Tarnlok Recovery",
                                                "Tarnlok Format"};
constexpr char kHelpFile[] = "TLKRCALL.HLP";

}  // namespace

std::string HelpFilePath() {
  char folder[260] = {};
  win::GetPrivateProfileStringA("DefDir", "DefDir", "Fail", folder, sizeof(folder), "TLKLV2CL.INI");
  // Without a folder from the INI there is no help to open.
  if (win::EqualsIgnoringCase(folder, "Fail")) return {};
  return std::string(folder) + "\\" + kHelpFile;
}

std::string HelpTopicOfPage(int pageCode) {
  if (pageCode < 1 || pageCode >= static_cast<int>(kTopics.size())) return {};
  return kTopics[static_cast<std::size_t>(pageCode)];
}

void OpenHelpTopic(ui::HWND window, const std::string& topic) {
  const std::string file = HelpFilePath();
  if (file.empty()) return;
  win::WinHelpA(window, file.c_str(), win::HELP_KEY, reinterpret_cast<std::uintptr_t>(topic.c_str()));
}

}  // namespace tarnlok
