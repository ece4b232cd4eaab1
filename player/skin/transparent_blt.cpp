// McTransparentBlt: the player's exported transparent copy. Exported by name
// from ZelvoPlayer.exe so that other modules can draw skin sprites the same
// way the skin engine does.

#include <windows.h>

#include "player/skin/skin_element.h"

extern "C" __declspec(dllexport) int __cdecl McTransparentBlt(HDC destination, int dx, int dy, int dw, int dh,
                                                              HDC source, int sx, int sy, int sw, int sh,
                                                              unsigned int transparent) {
  if (!destination || !source) return 0;
  if (sw <= 0 || sh <= 0) return 0;  // no sprite to make a mask of

  const COLORREF savedBackground = SetBkColor(destination, RGB(255, 255, 255));
  const COLORREF savedText = SetTextColor(destination, RGB(0, 0, 0));

  HDC maskDc = CreateCompatibleDC(destination);
  HDC imageDc = CreateCompatibleDC(source);
  HBITMAP image = nullptr;
  HBITMAP mask = nullptr;
  HGDIOBJ savedImage = nullptr;
  HGDIOBJ savedMask = nullptr;
  int ok = 0;
  do {
    if (!maskDc || !imageDc) break;
    image = CreateCompatibleBitmap(destination, sw, sh);
    if (!image) break;
    savedImage = SelectObject(imageDc, image);
    if (!BitBlt(imageDc, 0, 0, sw, sh, source, sx, sy, SRCCOPY)) break;

    // Pixels of the transparent colour become 1 in the mask, all others 0.
    mask = CreateBitmap(sw, sh, 1, 1, nullptr);
    if (!mask) break;
    savedMask = SelectObject(maskDc, mask);
    SetBkColor(imageDc, transparent);
    if (!BitBlt(maskDc, 0, 0, sw, sh, imageDc, 0, 0, SRCCOPY)) break;

    // Transparent pixels become black in the image (they are already when
    // the transparent colour is black).
    if (transparent != 0) {
      SetBkColor(imageDc, RGB(0, 0, 0));
      SetTextColor(imageDc, RGB(255, 255, 255));
      if (!BitBlt(imageDc, 0, 0, sw, sh, maskDc, 0, 0, SRCAND)) break;
    }

    // Mask AND: opaque pixels go black, transparent ones keep the
    // destination; image OR then paints the opaque pixels.
    if (dw == sw && dh == sh) {
      if (!BitBlt(destination, dx, dy, dw, dh, maskDc, 0, 0, SRCAND)) break;
      if (!BitBlt(destination, dx, dy, dw, dh, imageDc, 0, 0, SRCPAINT)) break;
    } else {
      if (!StretchBlt(destination, dx, dy, dw, dh, maskDc, 0, 0, sw, sh, SRCAND)) break;
      if (!StretchBlt(destination, dx, dy, dw, dh, imageDc, 0, 0, sw, sh, SRCPAINT)) break;
    }
    ok = 1;
  } while (false);

  if (savedMask) SelectObject(maskDc, savedMask);
  if (savedImage) SelectObject(imageDc, savedImage);
  if (mask) DeleteObject(mask);
  if (image) DeleteObject(image);
  if (imageDc) DeleteDC(imageDc);
  if (maskDc) DeleteDC(maskDc);
  SetBkColor(destination, savedBackground);
  SetTextColor(destination, savedText);
  return ok;
}
