// Configurator.exe: the codec package's filters and their property pages.
#include <windows.h>

#include "configurator/configurator_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return configurator::RunConfigurator(instance); }
