// Message maps: tables built in each class that route messages, commands and notifications
// to member functions, chained to the base class's table.
//
//   const ui::MessageMap& CBkupPage::GetMessageMap() const {
//     static const ui::MessageMap map(&CPropertyPage::GetMessageMap(), {
//         ui::OnCommand(1052, &CBkupPage::BackupMedia),
//         ui::OnMessage(ui::WM_PAINT, &CBkupPage::OnPaint),
//     });
//     return map;
//   }
#pragma once

#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/ui_types.h"

#include <functional>
#include <initializer_list>
#include <vector>

namespace ui {

class CWnd;
class CDC;

// WM_CTLCOLOR* kinds as a handler receives them.
constexpr UINT CTLCOLOR_MSGBOX = 0;
constexpr UINT CTLCOLOR_EDIT = 1;
constexpr UINT CTLCOLOR_LISTBOX = 2;
constexpr UINT CTLCOLOR_BTN = 3;
constexpr UINT CTLCOLOR_DLG = 4;
constexpr UINT CTLCOLOR_SCROLLBAR = 5;
constexpr UINT CTLCOLOR_STATIC = 6;

enum class Route {
  Message,  // a window message to this window
  Command,  // WM_COMMAND from a control or menu, by id and notification code
  Notify,  // WM_NOTIFY, by id and code
  CtlColor,  // any WM_CTLCOLOR*
  ReflectCommand,  // WM_COMMAND reflected from the parent to the control that sent it
  ReflectNotify,  // WM_NOTIFY reflected likewise
  ReflectCtlColor  // WM_CTLCOLOR* reflected likewise
};

// Answers whether the message was handled; result receives the message's answer.
using Handler = std::function<bool(CWnd& self, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

struct MessageEntry {
  Route route = Route::Message;
  UINT message = 0;  // Message: the message; Command, Notify and their reflections: the code
  int firstId = 0;
  int lastId = 0;
  Handler handler;
};

class MessageMap {
 public:
  MessageMap(const MessageMap* base, std::initializer_list<MessageEntry> entries) : base_(base), entries_(entries) {}
  // Searches this table, then the base tables.
  const MessageEntry* Find(Route route, UINT message, int id) const;

 private:
  const MessageMap* base_;
  std::vector<MessageEntry> entries_;
};

HBRUSH CallCtlColor(CWnd& self, WPARAM wParam, LPARAM lParam, UINT kind,
                    const std::function<HBRUSH(CDC*, CWnd*, UINT)>& call);
CDC* TemporaryDc(WPARAM hdc);

template <typename T>
MessageEntry OnCommand(int id, void (T::*handler)()) {
  return {Route::Command, BN_CLICKED, id, id, [handler](CWnd& self, WPARAM, LPARAM, LRESULT&) {
            (static_cast<T&>(self).*handler)();
            return true;
          }};
}

template <typename T>
MessageEntry OnCommandRange(int firstId, int lastId, void (T::*handler)(UINT)) {
  return {Route::Command, BN_CLICKED, firstId, lastId, [handler](CWnd& self, WPARAM wParam, LPARAM, LRESULT&) {
            (static_cast<T&>(self).*handler)(LOWORD(wParam));
            return true;
          }};
}

// A control notification other than BN_CLICKED (EN_CHANGE, ...).
template <typename T>
MessageEntry OnControl(WORD code, int id, void (T::*handler)()) {
  return {Route::Command, code, id, id, [handler](CWnd& self, WPARAM, LPARAM, LRESULT&) {
            (static_cast<T&>(self).*handler)();
            return true;
          }};
}

template <typename T>
MessageEntry OnNotify(UINT code, int id, void (T::*handler)(NMHDR*, LRESULT*)) {
  return {Route::Notify, code, id, id, [handler](CWnd& self, WPARAM, LPARAM lParam, LRESULT& result) {
            (static_cast<T&>(self).*handler)(reinterpret_cast<NMHDR*>(lParam), &result);
            return true;
          }};
}

// Any message with its raw parameters.
template <typename T>
MessageEntry OnMessage(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM)) {
  return {Route::Message, message, 0, 0, [handler](CWnd& self, WPARAM wParam, LPARAM lParam, LRESULT& result) {
            result = (static_cast<T&>(self).*handler)(wParam, lParam);
            return true;
          }};
}

// A message whose handler takes nothing (WM_PAINT, WM_DESTROY, ...); the answer is 0.
template <typename T>
MessageEntry OnMessage(UINT message, void (T::*handler)()) {
  return {Route::Message, message, 0, 0, [handler](CWnd& self, WPARAM, LPARAM, LRESULT& result) {
            (static_cast<T&>(self).*handler)();
            result = 0;
            return true;
          }};
}

template <typename T>
MessageEntry OnCtlColorMessage(HBRUSH (T::*handler)(CDC*, CWnd*, UINT)) {
  return {Route::CtlColor, 0, 0, 0, [handler](CWnd& self, WPARAM wParam, LPARAM lParam, LRESULT& result) {
            result = reinterpret_cast<LRESULT>(CallCtlColor(self, wParam, lParam, 0, [&](CDC* dc, CWnd* w, UINT k) {
              return (static_cast<T&>(self).*handler)(dc, w, k);
            }));
            return true;
          }};
}

// BN_CLICKED (or another code) reflected to the control; answering FALSE lets the parent's own
// handler run as well.
template <typename T>
MessageEntry OnReflectedCommand(WORD code, BOOL (T::*handler)()) {
  return {Route::ReflectCommand, code, 0, 0,
          [handler](CWnd& self, WPARAM, LPARAM, LRESULT&) { return (static_cast<T&>(self).*handler)() != 0; }};
}

template <typename T>
MessageEntry OnReflectedNotify(UINT code, void (T::*handler)(NMHDR*, LRESULT*)) {
  return {Route::ReflectNotify, code, 0, 0, [handler](CWnd& self, WPARAM, LPARAM lParam, LRESULT& result) {
            (static_cast<T&>(self).*handler)(reinterpret_cast<NMHDR*>(lParam), &result);
            return true;
          }};
}

template <typename T>
MessageEntry OnReflectedCtlColor(HBRUSH (T::*handler)(CDC*, UINT)) {
  // The reflection carries the WM_CTLCOLOR kind in lParam.
  return {Route::ReflectCtlColor, 0, 0, 0, [handler](CWnd& self, WPARAM wParam, LPARAM lParam, LRESULT& result) {
            result = reinterpret_cast<LRESULT>(
                (static_cast<T&>(self).*handler)(TemporaryDc(wParam), static_cast<UINT>(lParam)));
            return true;
          }};
}

}  // namespace ui
