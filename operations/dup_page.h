// The Duplicate page: copies the card of the sheet's device onto another card put into the same
// reader, inside the handler of its Duplicate button, pumping messages between blocks so that
// the page repaints and its Cancel button works.
#pragma once

#include "operations/card_operation_page.h"

namespace tarnlok {

// Controls of the page.
namespace duplicate_page {
constexpr int kDuplicateButton = 1068;
constexpr int kTotalBlocksLabel = 1069;
constexpr int kCurrentBlockLabel = 1070;
constexpr int kPhaseText = 1071;
constexpr int kPercentText = 1072;
constexpr int kProgressBar = 1073;
constexpr int kDeviceLabel = 1074;
constexpr int kDeviceValue = 1075;
constexpr int kCapacityLabel = 1077;
constexpr int kCapacityValue = 1078;
constexpr int kHelpButton = 1094;
constexpr int kCancelButton = 1095;
constexpr int kProgressFrame = 1101;
constexpr int kTotalBlocksValue = 1103;
constexpr int kCurrentBlockValue = 1104;
}  // namespace duplicate_page

class CDupPage : public CCardOperationPage {
 public:
  CDupPage();
  win::BOOL OnInitDialog() override;
  win::BOOL OnSetActive() override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  const ui::MessageMap& GetMessageMap() const override;

  // The Duplicate button: the whole run, from the source card to the last block of the copy.
  void DuplicateMedia();

 private:
  friend class DuplicateRun;
  CIconButton duplicateButton_;
};

}  // namespace tarnlok
