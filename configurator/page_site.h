// `PageSite`: the IPropertyPageSite the configurator gives each page. It
// keeps the last status the page reported and answers the system locale.
#pragma once

#include <ocidl.h>

#include "common/com/server.h"

namespace configurator {

constexpr LCID kPageLocale = LOCALE_SYSTEM_DEFAULT;  // 0x0800

class PageSite final : public zelvo::com::SingleInterface<IPropertyPageSite> {
 public:
  // A new site with one reference, which the caller owns.
  static PageSite* Create();

  HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* locale) override;
  HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown** container) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* msg) override;

  // The flags of the page's last OnStatusChange (0 before any).
  DWORD StatusFlags() const { return flags_; }

 private:
  PageSite() : SingleInterface(IID_IPropertyPageSite) {}
  DWORD flags_ = 0;
};

}  // namespace configurator
