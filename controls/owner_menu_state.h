// What all owner-drawn menus of the process share: the image list with the command of each
// image, the popups they made, the objects behind their handles, and the system's look.
#pragma once

#include "controls/owner_menu.h"

#include <map>
#include <optional>

namespace tarnlok {

struct MenuClassState {
  // Touching the image lists first makes the platform's table of them outlive this state, whose
  // shared list is freed at exit.
  MenuClassState() { ui::ImageList_GetImageCount(nullptr); }
  std::unique_ptr<ui::CImageList> images;
  std::vector<win::UINT> imageIds;
  // Counts the images of the shared list replaced in place, which etched copies must follow.
  unsigned sharedImageChanges = 0;
  std::vector<ui::HMENU> allSubmenus;
  std::map<ui::HMENU, COwnerMenu*> objects;
  std::optional<int> shellKind;
  std::optional<bool> classicTheme;
};

MenuClassState& TheMenuClassState();

}  // namespace tarnlok
