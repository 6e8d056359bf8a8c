// The Restore page: writes a backup image (*.FMB) back onto the card of the sheet's device,
// inside the handler of its Restore button, pumping messages between blocks so that the page
// repaints and its Cancel button works.
#pragma once

#include "operations/card_operation_page.h"

namespace tarnlok {

// Controls of the page.
namespace restore_page {
constexpr int kImageNameEdit = 1058;
constexpr int kBrowseButton = 1059;
constexpr int kFileNameLabel = 1060;
constexpr int kProgressFrame = 1061;
constexpr int kTotalBlocksLabel = 1062;
constexpr int kCurrentBlockLabel = 1063;
constexpr int kTotalBlocksValue = 1064;
constexpr int kCurrentBlockValue = 1065;
constexpr int kActivityText = 1066;
constexpr int kRestoreButton = 1067;
constexpr int kDeviceLabel = 1068;
constexpr int kDeviceValue = 1069;
constexpr int kCapacityLabel = 1070;
constexpr int kCapacityValue = 1071;
constexpr int kProgressBar = 1074;
constexpr int kPercentText = 1075;
constexpr int kHelpButton = 1092;
constexpr int kCancelButton = 1093;
}  // namespace restore_page

class CRestPage : public CCardOperationPage {
 public:
  CRestPage();
  win::BOOL OnInitDialog() override;
  win::BOOL OnSetActive() override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  const ui::MessageMap& GetMessageMap() const override;

  // The Restore button: the whole run, from the checks of the name to the final message.
  void RestoreMedia();

 private:
  friend class RestoreRun;
  void OnBrowse();
  CIconButton browseButton_;
  CIconButton restoreButton_;
};

}  // namespace tarnlok
