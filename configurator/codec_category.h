// The filter category the configurator lists: the codec package's own.
#pragma once

#include <windows.h>

namespace configurator {

// {3F0DBE75-F39C-4B92-911C-C3250E1EB7FC}
extern const GUID codecFilterCategory;

}  // namespace configurator
