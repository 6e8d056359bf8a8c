#include "recovery/page/media_size_dlg.h"

#include "device/device_messages.h"
#include "device/string_ids.h"
#include "platform/ui/dialogs/message_box.h"
#include "controls/dialog_texts.h"

#include <array>
#include <cstdio>

namespace tarnlok {
namespace {

struct MemoryStickSize {
  int megabytes;
  win::WORD pagesPerBlock;
  win::WORD blocks;
};

// clang-format off
constexpr std::array<MemoryStickSize, 6> kSizes = {{
    {  4, 16,  512},
    {  8, 16, 1024},
    { 16, 32, 1024},
    { 32, 32, 2048},
    { 64, 32, 4096},
    {128, 32, 8192},
}};
// clang-format on

constexpr ControlText kTexts[] = {{kMediaSizePrompt, kStringMediaSizePrompt},
                                  {kMediaSizeNoteHeading, kStringNoteHeading},
                                  {kMediaSizeWarning, kStringMediaSizeWarning},
                                  {ui::IDOK, kStringOk},
                                  {ui::IDCANCEL, kStringCancel}};

}  // namespace

void CMediaSizeDlg::DoDataExchange(ui::CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  ui::DDX_Control(dx, kMediaSizeList, sizes_);
}

win::BOOL CMediaSizeDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(LoadProgramString(kStringMediaSizeTitle));
  SetTexts(*this, kTexts);
  const std::string megabytes = LoadProgramString(kStringMegabytes);
  const std::string memoryStick = LoadProgramString(kStringMemoryStick);
  for (const MemoryStickSize& size : kSizes) {
    char row[64];
    std::snprintf(row, sizeof(row), "%3d %s %s", size.megabytes, megabytes.c_str(), memoryStick.c_str());
    sizes_.AddString(row);
  }
  sizes_.SetCurSel(0);
  return win::TRUE;
}

bool CMediaSizeDlg::ChooseRow(int row) {
  if (row < 0) {
    ShowStringMessage(kStringNoMediaSizeChosen, ui::MB_ICONSTOP);
    return false;
  }
  if (row >= static_cast<int>(kSizes.size())) {
    ShowStringMessage(kStringInvalidMediaSize, ui::MB_ICONSTOP);
    return false;
  }
  MediaSizePagesPerBlock = kSizes[static_cast<std::size_t>(row)].pagesPerBlock;
  MediaSizeBlockCount = kSizes[static_cast<std::size_t>(row)].blocks;
  return true;
}

void CMediaSizeDlg::OnOK() {
  if (ChooseRow(sizes_.GetCurSel())) CDialog::OnOK();
}

}  // namespace tarnlok
