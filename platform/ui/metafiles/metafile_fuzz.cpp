// Metafile bytes of any shape are read as both kinds and, when accepted, played.
#include "platform/ui/gdi.h"
#include "platform/ui/metafile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ui::HDC dc = ui::CreateCompatibleDC(nullptr);
  const ui::HBITMAP bitmap = ui::CreateBitmap(64, 64, 1, 32, nullptr);
  ui::SelectObject(dc, bitmap);
  const ui::RECT target{0, 0, 64, 64};
  ui::METAFILEPICT picture;
  picture.xExt = 1693;
  picture.yExt = 1693;
  for (ui::HENHMETAFILE metafile : {ui::SetEnhMetaFileBits(static_cast<ui::UINT>(size), data),
                                    ui::SetWinMetaFileBits(static_cast<ui::UINT>(size), data, nullptr, &picture)}) {
    if (metafile == nullptr) continue;
    ui::PlayEnhMetaFile(dc, metafile, &target);
    ui::DeleteEnhMetaFile(metafile);
  }
  ui::DeleteDC(dc);
  ui::DeleteObject(bitmap);
  return 0;
}
