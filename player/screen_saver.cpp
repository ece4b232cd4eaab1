#include "player/screen_saver.h"

#include <windows.h>

void ScreenSaverBlocker::Block(bool on) {
  if (on) {
    if (saved_ < 0) {
      BOOL active = FALSE;
      if (SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0)) saved_ = active ? 1 : 0;
    }
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_SENDCHANGE);
  } else if (saved_ >= 0) {
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, static_cast<UINT>(saved_), nullptr, SPIF_SENDCHANGE);
    saved_ = -1;
  }
}
