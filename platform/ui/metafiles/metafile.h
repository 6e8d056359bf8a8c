// Metafiles: Windows metafiles (WMF, converted with SetWinMetaFileBits) and enhanced metafiles
// (EMF) read from their bytes, every record bounds checked, and played into a device context.
// The player draws the records image decoding meets: mapping modes with window and viewport
// origins and extents, pens, brushes, stock objects, lines, rectangles, ellipses, polygons and
// polylines, colours and background modes, saved states and stretched device-independent
// bitmaps. Records it does not know are skipped. Not implemented: text records, regions,
// clipping, paths, world transforms, palettes (the screen is true colour).
#pragma once

#include "platform/ui/windows/ui_types.h"

namespace ui {

using HENHMETAFILE = struct EnhMetaFileTag*;

constexpr int MM_TEXT = 1;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;

struct METAFILEPICT {
  LONG mm = MM_ANISOTROPIC;
  LONG xExt = 0;  // hundredths of a millimetre
  LONG yExt = 0;
  void* hMF = nullptr;
};

struct ENHMETAHEADER {
  DWORD iType = 1;
  DWORD nSize = sizeof(ENHMETAHEADER);
  RECT rclBounds;  // device units of the reference device, inclusive
  RECT rclFrame;  // hundredths of a millimetre, inclusive
  DWORD dSignature = 0x464D4520;
  DWORD nVersion = 0x10000;
  DWORD nBytes = 0;
  DWORD nRecords = 0;
  WORD nHandles = 0;
  WORD sReserved = 0;
  DWORD nDescription = 0;
  DWORD offDescription = 0;
  DWORD nPalEntries = 0;
  SIZE szlDevice{1024, 768};
  SIZE szlMillimeters{271, 203};
};

// Null with ERROR_INVALID_DATA when the bytes are no well-formed metafile.
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data);
HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* data, HDC reference, const METAFILEPICT* picture);
UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header);
// The screen is true colour: metafiles carry no palette here.
UINT GetEnhMetaFilePaletteEntries(HENHMETAFILE metafile, UINT count, void* entries);
// Maps the picture onto the rectangle and draws it.
BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE metafile, const RECT* rect);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);

}  // namespace ui
