#include "recovery/page/flash_block_analysis.h"

#include "device/device_messages.h"
#include "device/string_ids.h"
#include "operations/operation_handlers.h"
#include "platform/ui/dialogs/message_box.h"
#include "controls/progress_dlg.h"

namespace recovery {
namespace {

class ProgressDialogObserver : public BlockMapObserver {
 public:
  // The dialog's destructor closes it and enables the owner again, however the build ends.
  ProgressDialogObserver(ui::CWnd* owner, RecoveryObserver* asker) : owner_(owner), asker_(asker) {}

  void OnStart(std::uint32_t blocks) override {
    if (!dialog_.CreateModeless(owner_)) return;
    dialog_.SetProgressRange(0, static_cast<int>(blocks));
    dialog_.SetProgressStep(1);
    dialog_.SetStatusLine(tarnlok::kProgressValueTotal, tarnlok::BlockNumberText(blocks));
  }
  bool Continue(std::uint32_t block) override {
    dialog_.SetStatusLine(tarnlok::kProgressValueCurrent, tarnlok::BlockNumberText(block));
    if (!dialog_.PollCancel()) return true;
    return tarnlok::ShowStringMessage(tarnlok::kStringReallyCancelQuestion,
                                      ui::MB_YESNO | ui::MB_ICONQUESTION | ui::MB_DEFBUTTON2) != ui::IDYES;
  }
  void OnBlockDone(std::uint32_t /*block*/) override { dialog_.StepProgress(); }
  ReadFailureAnswer OnUnreadableBlock(std::uint32_t block) override {
    return asker_ != nullptr ? asker_->OnReadFailure(block) : ReadFailureAnswer::Ignore;
  }

 private:
  ui::CWnd* owner_;
  RecoveryObserver* asker_;
  tarnlok::CProgressDlg dialog_;
};

}  // namespace

BlockMapEnd AnalyseFlashBlocks(FlashBlockMap& map, FlashReads& reads, ui::CWnd* owner, RecoveryObserver* asker) {
  ProgressDialogObserver observer(owner, asker);
  return map.Build(reads, observer);
}

}  // namespace recovery
