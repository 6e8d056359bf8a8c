#include "controls/owner_menu_etched.h"

#include "controls/owner_menu_images.h"
#include "controls/owner_menu_state.h"

namespace tarnlok {

EtchedImages::~EtchedImages() { Release(); }

ui::HBITMAP EtchedImages::Shape(ui::HDC dc, ui::HIMAGELIST list, int index, bool twoColour) {
  const unsigned changes = TheMenuClassState().sharedImageChanges;
  if (changes != sharedImageChanges_) {
    Release();
    sharedImageChanges_ = changes;
  }
  const Key key{list, index, twoColour};
  if (const auto found = shapes_.find(key); found != shapes_.end()) return found->second;
  return shapes_.emplace(key, EtchShape(dc, list, index, twoColour)).first->second;
}

void EtchedImages::Release() {
  for (const auto& [key, shape] : shapes_) ui::DeleteObject(shape);
  shapes_.clear();
}

}  // namespace tarnlok
