// One run of the Duplicate page's Duplicate button: the source card read whole into memory or a
// temporary file, the user asked to put the other card in, the new card checked against the
// source (Retry after another swap), then written block by block; the end restores the page,
// releases the card and deletes the temporary file on every path.
#pragma once

#include "operations/backup_run.h"
#include "operations/card_page_run.h"
#include "operations/dup_page.h"
#include "operations/duplicate_image.h"

namespace tarnlok {

class DuplicateRun : public CardPageRun {
 public:
  explicit DuplicateRun(CDupPage& page);
  ~DuplicateRun() override;
  DuplicateRun(const DuplicateRun&) = delete;
  DuplicateRun& operator=(const DuplicateRun&) = delete;
  void Run();

 private:
  enum class CardCheck { kReady, kRetry, kEnd };

  bool CheckDevice();
  bool IdentifySource();
  bool MakeImage();
  void ShowRunControls();
  bool ReadSource();
  bool TakeNewCard();
  CardCheck CheckNewCardOnce();
  bool WriteNewCard();
  void ReportSuccess();
  bool IsRawFlash() const;
  FlashCard Flash() const;

  CDupPage& page_;
  CardGeometry source_;
  DuplicateImage image_;
  win::ULONGLONG imageBytes_ = 0;
  win::ULONGLONG totalSectors_ = 0;
};

}  // namespace tarnlok
