#include "configurator/page_site.h"

#include <new>

namespace configurator {

PageSite* PageSite::Create() { return new (std::nothrow) PageSite(); }

HRESULT STDMETHODCALLTYPE PageSite::OnStatusChange(DWORD flags) {
  flags_ = flags;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PageSite::GetLocaleID(LCID* locale) {
  if (!locale) return E_POINTER;
  *locale = kPageLocale;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PageSite::GetPageContainer(IUnknown** container) {
  if (container) *container = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PageSite::TranslateAccelerator(MSG*) { return E_NOTIMPL; }

}  // namespace configurator
