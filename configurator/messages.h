// The configurator's message boxes: fixed texts under one fixed caption,
// owned by the window they are about (or by none before it exists).
#pragma once

#include <windows.h>

namespace configurator {

extern const char kMessageCaption[];  // the window title, "Ondra K4 4.5.1 Configurator"

extern const char kNoSystemEnumeratorText[];
extern const char kNoClassEnumeratorText[];
extern const char kPageNotActivatedText[];
extern const char kApplyFailedText[];

// owner may be any window of the dialog; the box is owned by its top-level
// window. icon is MB_ICONINFORMATION, MB_ICONEXCLAMATION, ...
void ShowMessage(HWND owner, const char* text, UINT icon);

}  // namespace configurator
