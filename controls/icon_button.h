// The owner-drawn push button of every page, the main window and the start-up dialogs: a
// coloured face, a 3-D or flat border, an icon or a masked bitmap (with an optional second
// image for when the pointer is away), the caption and a focus rectangle. It repaints in its
// hovered look while the pointer is over it and reports clicks to its parent like any push
// button. A menu loaded into its drop-down menu opens under it on a click. It may also show a
// cursor of its own, play a sound when the pointer enters and on a click, tell a window before
// its menu opens, and show the parent's background instead of a face; nothing in the program
// sets these, so they are off unless a caller asks for them.
#pragma once

#include "controls/owner_menu.h"

#include "platform/ui/gdi/cdc.h"
#include "platform/ui/controls/controls.h"
#include "platform/ui/controls/tooltip.h"

#include <array>
#include <memory>
#include <string>

namespace tarnlok {

class CIconButton : public ui::CButton {
 public:
  // As a second icon id: a grey copy of the first icon for when the pointer is away.
  static constexpr int kGreyCopy = -2;
  // Where the image sits against the caption (SetIconAlign); 3 is accepted and leaves the image
  // at the button's top left.
  static constexpr ui::BYTE kIconLeft = 0;
  static constexpr ui::BYTE kIconAbove = 1;
  static constexpr ui::BYTE kIconRight = 2;

  CIconButton();
  ~CIconButton() override;

  // Each answers 0 when done; callers ignore the statuses.
  int SetButtonIcons(win::UINT iconId, int secondIconId);
  int SetButtonIconHandles(ui::HICON icon, ui::HICON second);
  int SetButtonBitmaps(win::UINT bitmapId, ui::COLORREF transparent, win::UINT secondBitmapId,
                       ui::COLORREF secondTransparent);
  int SetButtonBitmapHandles(ui::HBITMAP bitmap, ui::COLORREF transparent, ui::HBITMAP second,
                             ui::COLORREF secondTransparent);
  // 3 for a slot above 5, 5 for a shift outside -255..255.
  int ShiftButtonColour(ui::BYTE slot, short shift, win::BOOL repaint);
  // 4 for an alignment above 3.
  int SetIconAlign(ui::BYTE align, win::BOOL repaint);
  int SetFlatLook(win::BOOL flat, win::BOOL repaint);
  // 6 for a style other than 0 (offset 1, 1) and 1 (offset 0, 2).
  int SetPressedStyle(ui::BYTE style, win::BOOL repaint);
  int SetChecked(int check, win::BOOL repaint);
  int GetChecked() const { return checkState_; }
  int ResetButtonColours(win::BOOL repaint);
  int SetUrl(const char* url);
  // The menu whose first popup opens under the button; empty until a caller loads one.
  COwnerMenu& DropDownMenu() { return menu_; }
  // The window that receives the chosen command as WM_COMMAND.
  void SetMenuTarget(ui::HWND target) { menuTarget_ = target; }
  // Sent to window before the drop-down menu opens: wParam the popup, lParam as given. A null
  // window sends nothing.
  void SetMenuNotification(ui::HWND window, ui::UINT message, ui::LPARAM lParam);
  // The cursor shown over the button, owned by it from now on; null shows the class's cursor.
  int SetButtonCursor(ui::HCURSOR cursor);
  // A WAV file played when the pointer enters (onClick FALSE) or on a click (TRUE); null
  // silences the slot. At most 260 characters of the name are kept.
  int SetSound(const char* sound, win::HMODULE module, win::BOOL onClick);
  // Paints the parent's background under the button instead of a coloured face.
  int SetTransparentLook(win::BOOL transparent, win::BOOL repaint);

  // Moves red, green and blue by one common amount, as far as the channel nearest its limit allows.
  static ui::COLORREF ShiftedColour(ui::COLORREF colour, int shift);
  // A grey copy of the icon (black stays black) with the icon's own mask; null on failure.
  static ui::HICON MakeGreyIcon(ui::HICON icon);
  // A monochrome mask with the transparent colour's pixels set; those pixels of the bitmap
  // itself become black. Null when the mask cannot be made.
  static ui::HBITMAP MakeMaskBitmap(ui::HBITMAP bitmap, int width, int height, ui::COLORREF transparent);

  void PreSubclassWindow() override;
  win::BOOL PreTranslateMessage(ui::MSG* msg) override;
  void DrawItem(ui::DRAWITEMSTRUCT* item) override;
  const ui::MessageMap& GetMessageMap() const override;

 protected:
  virtual void DrawButtonBackground(ui::CDC& dc, const ui::RECT& rect);
  virtual void DrawButtonBorder(ui::CDC& dc, const ui::RECT& rect);
  virtual void DrawButtonIcon(ui::CDC& dc, bool hasCaption, const ui::RECT& item, ui::RECT& caption, bool pressed,
                              bool disabled);
  virtual void DrawButtonBitmap(ui::CDC& dc, bool hasCaption, const ui::RECT& item, ui::RECT& caption, bool pressed,
                                bool disabled);
  virtual void DrawButtonText(ui::CDC& dc, const std::string& caption, const ui::RECT& item, ui::RECT captionRect,
                              bool pressed, bool disabled);

 private:
  struct IconImage {
    ui::HICON icon = nullptr;
    int width = 0;
    int height = 0;
  };
  struct MenuNotification {
    ui::HWND window = nullptr;
    ui::UINT message = 0;
    ui::WPARAM wParam = 0;  // not used: the popup goes in its place
    ui::LPARAM lParam = 0;
  };
  struct Sound {
    std::string path;
    const char* name = nullptr;
    win::HMODULE module = nullptr;
    win::DWORD flags = 0;
  };
  // The parent's background under the button, copied on the first transparent paint.
  struct BackgroundCache {
    ~BackgroundCache();
    ui::CDC dc;
    ui::CBitmap bitmap;
    ui::CBitmap* previous = nullptr;
  };
  struct BitmapImage {
    ui::HBITMAP bitmap = nullptr;
    int width = 0;
    int height = 0;
    ui::HBITMAP mask = nullptr;
    ui::COLORREF transparent = 0;
  };

  void ReleaseImages(win::BOOL free);
  void Repaint();
  void CancelHover();
  bool StoreIcon(IconImage& record, ui::HICON icon);
  int StoreBitmap(BitmapImage& record, ui::HBITMAP bitmap, ui::COLORREF transparent);
  // Which image record the current look draws: 0 while pressed or hovered, else the second if any.
  int ImageIndex(bool secondExists) const;
  ui::RECT PlaceImage(bool hasCaption, const ui::RECT& item, ui::RECT& caption, int width, int height,
                      bool pressed) const;
  void DrawRaisedFrame(ui::CDC& dc, const ui::RECT& rect);
  void InitToolTip();
  void PlaySlot(int slot) const;
  void PaintParentBackground(ui::CDC& dc);

  win::BOOL OnClicked();
  ui::LRESULT OnMouseMoveMessage(ui::WPARAM wParam, ui::LPARAM lParam);
  ui::LRESULT OnKillFocus(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnSysColorChange(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnActivate(ui::WPARAM wParam, ui::LPARAM);
  ui::LRESULT OnEnable(ui::WPARAM wParam, ui::LPARAM);
  ui::LRESULT OnCancelMode(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnGetDlgCode(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnSetStyle(ui::WPARAM wParam, ui::LPARAM lParam);
  ui::LRESULT OnSetCheck(ui::WPARAM wParam, ui::LPARAM);
  ui::LRESULT OnGetCheck(ui::WPARAM, ui::LPARAM) { return GetChecked(); }
  ui::LRESULT OnMouseLeave(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnSetCursor(ui::WPARAM, ui::LPARAM);
  ui::LRESULT OnMenuChar(ui::WPARAM wParam, ui::LPARAM lParam);
  ui::LRESULT OnMeasureItem(ui::WPARAM, ui::LPARAM lParam);
  ui::LRESULT OnDrawItem(ui::WPARAM, ui::LPARAM lParam);
  void TrackDropDownMenu();
  ui::HBRUSH OnReflectedCtlColor(ui::CDC*, ui::UINT);

  win::BOOL showDisabledBitmap_ = win::TRUE;
  ui::POINT imageOrigin_{3, 3};
  ui::POINT pressedOffset_{1, 1};
  win::BOOL flat_ = win::TRUE;
  win::BOOL hovered_ = win::FALSE;
  win::BOOL transparent_ = win::FALSE;
  win::BOOL pressed_ = win::FALSE;
  win::BOOL focused_ = win::FALSE;
  win::BOOL disabled_ = win::FALSE;
  win::BOOL defaultButton_ = win::FALSE;
  win::BOOL checkBox_ = win::FALSE;
  ui::BYTE align_ = 0;
  win::BOOL drawBorder_ = win::TRUE;
  win::BOOL drawFlatFocus_ = win::FALSE;
  std::array<ui::COLORREF, 6> colours_{};
  ui::HCURSOR cursor_ = nullptr;
  std::unique_ptr<ui::CToolTipCtrl> toolTip_;
  std::unique_ptr<BackgroundCache> backgroundCache_;
  win::BOOL alwaysTrack_ = win::TRUE;
  int checkState_ = 0;
  int buttonType_ = 15;
  std::string url_;
  std::array<IconImage, 2> icons_{};
  std::array<BitmapImage, 2> bitmaps_{};
  ui::HWND menuTarget_ = nullptr;
  bool menuShown_ = false;
  COwnerMenu menu_;
  MenuNotification menuNotification_;
  std::array<Sound, 2> sounds_;
};

}  // namespace tarnlok
