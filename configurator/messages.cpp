#include "configurator/messages.h"

namespace configurator {

const char kMessageCaption[] = "Ondra K4 4.5.1 Configurator";

const char kNoSystemEnumeratorText[] = "Failed to create system enumerator";
const char kNoClassEnumeratorText[] = "Failed to create class enumerator";
const char kPageNotActivatedText[] = "This page can not be activated";
const char kApplyFailedText[] = "The changes on this page could not be applied.";

void ShowMessage(HWND owner, const char* text, UINT icon) {
  HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  MessageBoxA(top, text, kMessageCaption, MB_OK | icon);
}

}  // namespace configurator
