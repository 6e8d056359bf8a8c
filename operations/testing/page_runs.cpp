#include "operations/testing/page_runs.h"

#include "platform/ui/windows/messages.h"
#include "controls/control_ids.h"
#include "controls/shell_state.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace tarnlok::test_support {

Bytes ReadHostBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

void WriteHostBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes PatternBytes(std::size_t size, win::BYTE seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<win::BYTE>(seed + i * 13 + i / 512 * 7);
  return bytes;
}

Bytes BackupImage(const FmbHeader& header, const Bytes& body) {
  const FmbHeaderBytes head = WriteFmbHeader(header);
  Bytes image(head.size() + body.size());
  std::copy(head.begin(), head.end(), image.begin());
  std::copy(body.begin(), body.end(), image.begin() + static_cast<std::ptrdiff_t>(head.size()));
  return image;
}

ActingPrompter::ActingPrompter(ui::Prompter& inner) : inner_(inner) { previous_ = ui::InstallPrompter(this); }

ActingPrompter::~ActingPrompter() { ui::InstallPrompter(previous_); }

void ActingPrompter::When(std::string text, std::function<void()> action) {
  actions_.emplace_back(std::move(text), std::move(action));
}

int ActingPrompter::AskMessageBox(const ui::MessageBoxRequest& request) {
  for (auto& [text, action] : actions_) {
    if (action && request.text.find(text) != std::string::npos) {
      const auto run = std::move(action);
      action = nullptr;
      run();
      break;
    }
  }
  return inner_.AskMessageBox(request);
}

void PageRunTest::OnPage(int toolButton, int pageTemplate, int row, std::function<void(ui::HWND page)> action) {
  OnToolsPage([this, toolButton, row](ui::HWND main, ui::HWND tools) {
    driver.Select(main, kDeviceListControl, row);
    driver.Click(tools, toolButton);
  });
  driver.OnDialog(pageTemplate, [this, action](ui::HWND sheet) {
    action(ActivePageHwnd);
    driver.WhenIdle([this, sheet] { driver.Click(sheet, ui::IDCANCEL); });
    driver.WhenIdle([] { CloseMainWindow(ui::AfxGetMainWnd()->m_hWnd); });
  });
  Run();
}

}  // namespace tarnlok::test_support
