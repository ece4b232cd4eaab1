// The module (DLL or program) this code is linked into.
#pragma once

#include <windows.h>

#include <string>

namespace zelvo::com {

// The handle of the module holding this code, found from a code address so
// no DllMain has to record it.
HMODULE ModuleHandle();

// Full path of that module ("C:\...\VideoEffects.dll"); empty on failure.
std::wstring ModulePath();

}  // namespace zelvo::com
