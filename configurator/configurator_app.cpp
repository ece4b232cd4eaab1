#include "configurator/configurator_app.h"

#include <commctrl.h>
#include <ole2.h>

#include "configurator/codec_category.h"
#include "configurator/configurator_dialog.h"
#include "configurator/core/layout.h"
#include "configurator/filter_enumeration.h"

namespace configurator {

ConfiguratorApp::~ConfiguratorApp() {
  if (SUCCEEDED(ole_)) OleUninitialize();
}

bool ConfiguratorApp::Start() {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  ole_ = OleInitialize(nullptr);
  return ole_ == S_OK;
}

int ConfiguratorApp::Run(REFGUID category) {
  if (ole_ != S_OK) return 0;
  ConfiguratorDialog dialog(instance_, ConfiguratorTitle());
  int result = 0;
  if (EnumerateFilters(category, dialog) == EnumerationResult::kDone) {
    const int ended = dialog.RunModal();
    if (ended > 0) result = ended;
  }
  dialog.DestroyPanels();
  return result;
}

int RunConfigurator(HINSTANCE instance) {
  ConfiguratorApp app(instance);
  if (!app.Start()) return 0;
  app.Run(codecFilterCategory);
  return 0;
}

}  // namespace configurator
