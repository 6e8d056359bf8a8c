// One run of the Restore page's Restore button: the checks of the name and the card, the image
// header against the card (Retry after the user changed cards), the whole image checked against
// the card and its own length before anything is written, then the used-space, raw flash or
// plain sector restore, and the end that restores the page and releases the card on every path.
#pragma once

#include "operations/backup_run.h"
#include "operations/card_page_run.h"
#include "operations/fmb_image.h"
#include "operations/rest_page.h"

#include <optional>
#include <string>

namespace tarnlok {

class RestoreRun : public CardPageRun {
 public:
  explicit RestoreRun(CRestPage& page);
  // Ends the run on every path: page controls, flags, the image file and the card.
  ~RestoreRun() override;
  RestoreRun(const RestoreRun&) = delete;
  RestoreRun& operator=(const RestoreRun&) = delete;
  void Run();

 private:
  enum class CardCheck { kReady, kRetry, kEnd };

  std::optional<std::string> CheckNameAndDevice();
  bool IdentifyCardAndImage(const std::string& imagePath);
  CardCheck CheckCardOnce(const std::string& imagePath);
  CardCheck OpenAndReadHeader(const std::string& imagePath);
  CardCheck CompareHeaderWithCard();
  bool CheckImageAgainstCard();
  // The write-protection prompt: Retry checks the card again.
  CardCheck AskRetry();
  void ShowRunControls();
  bool WriteImage();
  bool RestoreUsedSpace();
  void ReportSuccess();
  void CloseImage();
  win::DWORD LastBlockNumber() const;

  CRestPage& page_;
  CardGeometry geometry_;
  FmbHeader header_;
  win::HANDLE image_ = win::INVALID_HANDLE_VALUE;
  win::ULONGLONG imageBytes_ = 0;
  win::DWORD usedSpaceTotal_ = 0;
};

}  // namespace tarnlok
