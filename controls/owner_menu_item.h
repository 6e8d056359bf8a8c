// The record an owner-drawn menu keeps for each of its items: the text (a tab separates the
// accelerator), the flags and command it was added with, and where its image is.
#pragma once

#include "platform/ui/controls/image_list.h"
#include "platform/ui/windows/ui_types.h"

#include <memory>
#include <string>

namespace tarnlok {

class COwnerMenuItem {
 public:
  // Narrow texts are in the ANSI code page, whose characters are the first 256 code points.
  void SetText(const std::string& text);
  std::string GetText() const;
  const std::wstring& WideText() const { return text; }
  void SetWideText(std::wstring wide) { text = std::move(wide); }

  std::wstring text;
  int ownImageIndex = -1;
  int sharedImageIndex = -1;
  int normalIconIndex = -1;
  ui::UINT menuFlags = 0;
  std::uintptr_t commandId = 0;  // a popup's menu handle
  ui::UINT syncFlag = 0;
  std::unique_ptr<ui::CImageList> ownImages;
  void* context = nullptr;
};

}  // namespace tarnlok
