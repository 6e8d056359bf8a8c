// The etched shapes of a menu's disabled images, made once for each image and look and kept
// until the menu goes, or until the shared list's images are replaced.
#pragma once

#include "platform/ui/controls/image_list.h"
#include "platform/ui/gdi/gdi.h"

#include <compare>
#include <map>

namespace tarnlok {

class EtchedImages {
 public:
  EtchedImages() = default;
  ~EtchedImages();
  EtchedImages(const EtchedImages&) = delete;
  EtchedImages& operator=(const EtchedImages&) = delete;

  // The shape of image index of the list (EtchShape), made on first use; the object keeps it.
  ui::HBITMAP Shape(ui::HDC dc, ui::HIMAGELIST list, int index, bool twoColour);
  void Release();

 private:
  struct Key {
    ui::HIMAGELIST list = nullptr;
    int index = -1;
    bool twoColour = false;
    auto operator<=>(const Key&) const = default;
  };
  std::map<Key, ui::HBITMAP> shapes_;
  // The shared list's count of replacements the shapes were made after.
  unsigned sharedImageChanges_ = 0;
};

}  // namespace tarnlok
