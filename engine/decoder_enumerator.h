// Decoder candidates for a pin: the filters the system filter mapper lists
// for the pin's media types, with their friendly names and merits.
#pragma once

#include <dshow.h>

#include <string>
#include <vector>

#include "common/com/com_ptr.h"

namespace tessel {

struct DecoderCandidate {
  CLSID clsid = GUID_NULL;
  std::wstring friendlyName;  // at most 255 characters
  unsigned long merit = 0;
};

class DecoderEnumerator {
 public:
  // Creates the system filter mapper; Valid() tells whether that worked.
  DecoderEnumerator();
  bool Valid() const { return mapper_.get() != nullptr; }

  // The filters taking one of pin's media types as input and having an
  // output, in the mapper's order; "AAC Parser" is left out.
  std::vector<DecoderCandidate> ListCandidates(IPin* pin) const;

 private:
  zelvo::com::ComPtr<IFilterMapper2> mapper_;
};

}  // namespace tessel
