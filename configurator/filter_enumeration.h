// Filling the configurator with a filter category's filters: each filter
// that offers property pages gets a `FilterPagesPanel` named after it.
#pragma once

#include <dshow.h>

#include <memory>
#include <string>

#include "configurator/configurator_dialog.h"
#include "configurator/filter_pages_panel.h"

namespace configurator {

// A panel of the filter's pages under `name`, or null when the filter has no
// ISpecifyPropertyPages or its GetPages fails. Pages that cannot be created
// are left out (a panel may end up with none).
std::unique_ptr<FilterPagesPanel> BuildPanel(IBaseFilter* filter, const std::string& name);

enum class EnumerationResult {
  kDone,                 // every filter of the category was looked at (maybe none)
  kNoSystemEnumerator,   // "Failed to create system enumerator"
  kNoClassEnumerator,    // "Failed to create class enumerator"
};

// Adds a panel to `dialog` for each filter of `category` that can be bound,
// has a friendly name and offers pages. Failures of the enumerators
// themselves are told to the user here.
EnumerationResult EnumerateFilters(REFGUID category, ConfiguratorDialog& dialog);

}  // namespace configurator
