#include "shell/plain_pages.h"

#include "platform/ui/windows/messages.h"
#include "platform/ui/resources/resources.h"
#include "shell/dialog_texts.h"
#include "shell/main_app.h"
#include "shell/page_background.h"

namespace tarnlok {

CBackgroundPage::CBackgroundPage(win::UINT templateId, win::UINT iconId) : CPropertyPage(templateId) {
  m_hIcon = ui::LoadIconA(nullptr, iconId);
}

win::BOOL CBackgroundPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  return win::TRUE;
}

const ui::MessageMap& CBackgroundPage::GetMessageMap() const {
  static const ui::MessageMap map(&CPropertyPage::GetMessageMap(),
                                  {
                                      ui::OnMessage(ui::WM_PAINT, &CBackgroundPage::OnPaint),
                                  });
  return map;
}

void CBackgroundPage::OnPaint() { PaintWithPageBackground(*this); }

}  // namespace tarnlok
