// "Video EffectsProperty Page": four sliders with enable boxes, live labels,
// a "Default" button and a help line that follows the mouse. Every change
// goes to the filter at once through IVideoEffects; the page is never dirty.
#pragma once

#include <windows.h>

#include "common/com/com_ptr.h"
#include "effects/dshow/property_page.h"
#include "video_effects.h"

namespace effects {

class VideoEffectsPage final : public dshow::PropertyPageBase {
 public:
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out);
  ~VideoEffectsPage() override;

  HRESULT STDMETHODCALLTYPE IsPageDirty() override { return S_FALSE; }

  // The page whose dialog owns the mouse hook now, if any (for tests).
  static VideoEffectsPage* HookOwner();

 protected:
  HRESULT OnConnect(IUnknown* object) override;
  HRESULT OnDisconnect() override;
  INT_PTR OnReceiveMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  explicit VideoEffectsPage(IUnknown* outer);
  void OnInitDialog(HWND dialog);
  void OnSliderMoved(HWND slider);
  void OnButtonClicked(int id);
  void UpdateLabels();
  void OnMouseMove(POINT screen);
  void InstallMouseHook();
  void RemoveMouseHook();
  static LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam);

  zelvo::com::ComPtr<IVideoEffects> effects_;
  HWND sliders_[4] = {};
  int values_[4] = {};
  int flags_[4] = {};
  HHOOK hook_ = nullptr;
};

}  // namespace effects
