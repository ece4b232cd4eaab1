// The configurator's one run: common controls and OLE, the main window
// filled from a filter category, shown modally, then taken down.
#pragma once

#include <windows.h>

namespace configurator {

class ConfiguratorApp {
 public:
  explicit ConfiguratorApp(HINSTANCE instance) : instance_(instance) {}
  ~ConfiguratorApp();
  ConfiguratorApp(const ConfiguratorApp&) = delete;
  ConfiguratorApp& operator=(const ConfiguratorApp&) = delete;

  // The tree and tab controls and OLE on this thread. False when OLE did
  // not start afresh (anything but S_OK): the program then ends at once.
  bool Start();

  // Lists `category`'s filters and runs the window. Returns IDOK or IDCANCEL
  // as the window closed, or 0 when it never opened.
  int Run(REFGUID category);

 private:
  HINSTANCE instance_;
  HRESULT ole_ = E_FAIL;
};

// The program: Start, then Run over the codec package's category.
int RunConfigurator(HINSTANCE instance);

}  // namespace configurator
