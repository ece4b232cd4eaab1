// IEnumPins over a filter's pins and IEnumMediaTypes over a pin's offered
// types; each keeps its filter alive.
#pragma once

#include <dshow.h>

namespace effects::dshow {

class BaseFilter;
class BasePin;

HRESULT CreatePinEnumerator(BaseFilter* filter, ULONG position, IEnumPins** out);
HRESULT CreateMediaTypeEnumerator(BasePin* pin, ULONG position, IEnumMediaTypes** out);

}  // namespace effects::dshow
