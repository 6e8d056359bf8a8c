#include "platform/ui/windows/system_metrics.h"

#include "platform/win/system/last_error.h"

#include <cstring>
#include <map>

namespace ui {
namespace {

const std::map<int, int>& Metrics() {
  static const std::map<int, int> metrics = {
      {SM_CXSCREEN, 1024},  {SM_CYSCREEN, 768},   {SM_CXVSCROLL, 16},     {SM_CYHSCROLL, 16},     {SM_CYCAPTION, 19},
      {SM_CXBORDER, 1},     {SM_CYBORDER, 1},     {SM_CXDLGFRAME, 3},     {SM_CYDLGFRAME, 3},     {SM_CYVTHUMB, 16},
      {SM_CXHTHUMB, 16},    {SM_CXICON, 32},      {SM_CYICON, 32},        {SM_CXCURSOR, 32},      {SM_CYCURSOR, 32},
      {SM_CYMENU, 19},      {SM_CXEDGE, 2},       {SM_CYEDGE, 2},         {SM_CXSMICON, 16},      {SM_CYSMICON, 16},
      {SM_CXMENUCHECK, 13}, {SM_CYMENUCHECK, 13}, {SM_CXICONSPACING, 75}, {SM_CYICONSPACING, 75},
  };
  return metrics;
}

LOGFONTA ShellFont(LONG weight) {
  LOGFONTA font;
  font.lfHeight = -11;
  font.lfWeight = weight;
  std::strcpy(font.lfFaceName, "Tahoma");
  return font;
}

}  // namespace

int GetSystemMetrics(int index) {
  const auto found = Metrics().find(index);
  return found == Metrics().end() ? 0 : found->second;
}

BOOL SystemParametersInfoA(UINT action, UINT, void* value, UINT) {
  if (value == nullptr) return win::Fail(win::ERROR_INVALID_PARAMETER);
  if (action == SPI_GETWORKAREA) {
    *static_cast<RECT*>(value) = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - 28};
    return win::TRUE;
  }
  if (action != SPI_GETNONCLIENTMETRICS) return win::Fail(win::ERROR_INVALID_PARAMETER);
  auto* metrics = static_cast<NONCLIENTMETRICSA*>(value);
  if (metrics->cbSize != sizeof(NONCLIENTMETRICSA)) return win::Fail(win::ERROR_INVALID_PARAMETER);
  metrics->iBorderWidth = 1;
  metrics->iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
  metrics->iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
  metrics->iCaptionWidth = 18;
  metrics->iCaptionHeight = 18;
  metrics->lfCaptionFont = ShellFont(FW_BOLD);
  metrics->iSmCaptionWidth = 12;
  metrics->iSmCaptionHeight = 15;
  metrics->lfSmCaptionFont = ShellFont(FW_BOLD);
  metrics->iMenuWidth = 18;
  metrics->iMenuHeight = 18;
  metrics->lfMenuFont = ShellFont(FW_NORMAL);
  metrics->lfStatusFont = ShellFont(FW_NORMAL);
  metrics->lfMessageFont = ShellFont(FW_NORMAL);
  return win::TRUE;
}

}  // namespace ui
