#include "avirepair/core/repair_files.h"

#include <algorithm>

namespace avirepair {

bool RepairFile::CopyTo(RepairFile& out, uint64_t pos, uint64_t at, uint64_t len, uint8_t* buffer, size_t bufferSize,
                        FileError* error) {
  while (len > 0) {
    size_t got = 0;
    if (!Read(pos, buffer, size_t(std::min<uint64_t>(len, bufferSize)), &got, error)) return false;
    if (got == 0) {
      error->code = kEndOfFile;
      error->text = "reached the end of the file";
      return false;
    }
    if (!out.Write(at, buffer, got, error)) return false;
    pos += got;
    at += got;
    len -= got;
  }
  return true;
}

}  // namespace avirepair
