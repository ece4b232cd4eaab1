// The operating system's files for the repair run: POSIX in the native
// build, Win32 in the Windows build.
#pragma once

#include "avirepair/core/repair_files.h"

namespace avirepair {

RepairFileSystem& SystemFiles();

}  // namespace avirepair
