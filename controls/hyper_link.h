// A static text made into a clickable link: link colours (normal, active, visited, hover),
// optional underline, a tooltip with the target, sized to its text, and opened through the
// shell on a click or on Space.
#pragma once

#include "platform/ui/gdi/cdc.h"
#include "platform/ui/controls/controls.h"
#include "platform/ui/controls/tooltip.h"
#include "platform/win/registry/registry.h"

#include <string>

namespace tarnlok {

// The hand shown over links, loaded once by the first link that needs it; null when the
// system has none to lend.
inline ui::HCURSOR HandCursor = nullptr;

class CHyperLink : public ui::CStatic {
 public:
  static constexpr win::DWORD kUnderline = 0x01;
  static constexpr win::DWORD kUseHover = 0x02;
  static constexpr win::DWORD kSizeToText = 0x04;
  static constexpr win::DWORD kOpenOnPress = 0x08;
  static constexpr win::DWORD kTakeFocus = 0x10;
  static constexpr win::DWORD kNoHandCursor = 0x20;
  static constexpr win::DWORD kNoActiveColour = 0x40;

  static constexpr ui::COLORREF kLinkColour = 0xFF0000;
  static constexpr ui::COLORREF kActiveColour = 0x808000;
  static constexpr ui::COLORREF kVisitedColour = 0x800080;
  static constexpr ui::COLORREF kHoverColour = 0x0000FF;

  CHyperLink() = default;

  // FALSE when remove and add share a bit.
  win::BOOL ModifyLinkStyle(win::DWORD remove, win::DWORD add, win::BOOL apply);
  win::DWORD LinkStyle() const { return style_; }
  void SetLinkTarget(const std::string& target);
  const std::string& LinkTarget() const { return target_; }
  void SetLinkFont(ui::CFont& font);
  bool Visited() const { return visited_ != 0; }

  // Hands the target to the shell, else to the program registered for ".htm"; answers the
  // result, above 32 when started.
  static int OpenLinkTarget(const std::string& file, int showCommand);
  // The ".htm" handler's command line with the file in place of its "%1"; empty when none is registered.
  static std::string HtmlHandlerCommand(const std::string& file);
  // The default value of the key, at most 260 bytes; 0, or the error of opening or reading it.
  static win::LONG ReadRegDefaultValue(win::HKEY root, const std::string& subKey, std::string& value);
  // "Can't open link:\n\n" and the reason for the shell's result.
  static std::string ShellErrorText(int code);

  void PreSubclassWindow() override;
  win::BOOL PreTranslateMessage(ui::MSG* msg) override;
  const ui::MessageMap& GetMessageMap() const override;

 private:
  void BuildLinkFont(ui::CFont& from, bool underline);
  void PositionLinkWindow();
  void OpenLink();
  void ShowShellError(int code);
  void LoadHandCursor();
  void Repaint();

  ui::HBRUSH OnReflectedCtlColor(ui::CDC* dc, ui::UINT kind);
  ui::LRESULT OnSetCursor(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnMouseMove(ui::WPARAM, ui::LPARAM lParam);
  ui::LRESULT OnLButtonDown(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnLButtonUp(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnSetFocus(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnKillFocus(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnKeyDown(ui::WPARAM wParam, ui::LPARAM);
  ui::LRESULT OnNcHitTest(ui::WPARAM, ui::LPARAM);

  win::BOOL active_ = win::FALSE;
  win::BOOL hovering_ = win::FALSE;
  win::BOOL visited_ = win::FALSE;
  win::DWORD style_ = kUnderline | kSizeToText | kTakeFocus;
  std::string target_;
  ui::CFont linkFont_;
  ui::CToolTipCtrl toolTip_;
};

}  // namespace tarnlok
