#include "effects/filter/video_effects_page.h"

#include <commctrl.h>

#include <cstdio>
#include <new>

#include "effects/filter/resource.h"

namespace effects {

namespace {

// One effect's controls and setters, in slider order: brightness, contrast,
// saturation, hue.
struct EffectControls {
  int slider;
  int box;
  int label;
  int low;
  int high;
  const char* format;
  HRESULT (STDMETHODCALLTYPE IVideoEffects::*set)(int);
  HRESULT (STDMETHODCALLTYPE IVideoEffects::*get)(int*);
  HRESULT (STDMETHODCALLTYPE IVideoEffects::*setEnabled)(int);
};

const EffectControls kEffects[4] = {
    {IDC_BRIGHTNESS_SLIDER, IDC_BRIGHTNESS_ENABLED, IDC_BRIGHTNESS_LABEL, -100, 100, "Brightness ( %d )",
     &IVideoEffects::SetBrightness, &IVideoEffects::GetBrightness, &IVideoEffects::SetBrightnessEnabled},
    {IDC_CONTRAST_SLIDER, IDC_CONTRAST_ENABLED, IDC_CONTRAST_LABEL, -100, 100, "Contrast ( %d )",
     &IVideoEffects::SetContrast, &IVideoEffects::GetContrast, &IVideoEffects::SetContrastEnabled},
    {IDC_SATURATION_SLIDER, IDC_SATURATION_ENABLED, IDC_SATURATION_LABEL, -256, 256, "Saturation ( %d )",
     &IVideoEffects::SetSaturation, &IVideoEffects::GetSaturation, &IVideoEffects::SetSaturationEnabled},
    {IDC_HUE_SLIDER, IDC_HUE_ENABLED, IDC_HUE_LABEL, -180, 180, "Hue ( %d )", &IVideoEffects::SetHue,
     &IVideoEffects::GetHue, &IVideoEffects::SetHueEnabled},
};

struct HelpText {
  int control;
  const char* text;
};

// Checked in this order; a later match wins.
const HelpText kHelpTexts[] = {
    {IDC_BRIGHTNESS_SLIDER, "Move slider to change brightness of image"},
    {IDC_CONTRAST_SLIDER, "Move slider to change contrast of image"},
    {IDC_SATURATION_SLIDER, "Move slider to change saturation of image"},
    {IDC_HUE_SLIDER, "Move slider to change hue of image"},
    {IDC_BRIGHTNESS_ENABLED, "Switch this check box to enable/disable brightness effect"},
    {IDC_CONTRAST_ENABLED, "Switch this check box to enable/disable contrast effect"},
    {IDC_SATURATION_ENABLED, "Switch this check box to enable/disable saturation effect"},
    {IDC_HUE_ENABLED, "Switch this check box to enable/disable hue effect"},
    {IDC_DEFAULT, "Setting of default values on effects"},
};

// The page whose dialog receives the mouse hook's calls.
VideoEffectsPage* volatile g_hookOwner = nullptr;

}  // namespace

VideoEffectsPage::VideoEffectsPage(IUnknown* outer)
    : PropertyPageBase(outer, IDD_VIDEO_EFFECTS_PAGE, IDS_VIDEO_EFFECTS_TITLE) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
}

VideoEffectsPage::~VideoEffectsPage() { RemoveMouseHook(); }

HRESULT VideoEffectsPage::Create(IUnknown* outer, REFIID iid, void** out) {
  auto* page = new (std::nothrow) VideoEffectsPage(outer);
  if (!page) return E_OUTOFMEMORY;
  return zelvo::com::FinishCreate(page, iid, out);
}

VideoEffectsPage* VideoEffectsPage::HookOwner() { return g_hookOwner; }

HRESULT VideoEffectsPage::OnConnect(IUnknown* object) {
  zelvo::com::ComPtr<IVideoEffects> effects;
  if (!object || FAILED(object->QueryInterface(IID_IVideoEffects, effects.put_void()))) return E_NOINTERFACE;
  effects_ = std::move(effects);
  return S_OK;
}

HRESULT VideoEffectsPage::OnDisconnect() {
  if (!effects_) return E_UNEXPECTED;
  effects_ = nullptr;
  return S_OK;
}

INT_PTR VideoEffectsPage::OnReceiveMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog);
      return TRUE;
    case WM_HSCROLL:
      OnSliderMoved(reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        OnButtonClicked(LOWORD(wParam));
        UpdateLabels();
      }
      break;
    case WM_DESTROY:
      // The hook must never outlive the dialog it reports to.
      RemoveMouseHook();
      break;
  }
  return PropertyPageBase::OnReceiveMessage(dialog, message, wParam, lParam);
}

void VideoEffectsPage::OnInitDialog(HWND dialog) {
  for (int i = 0; i < 4; ++i) sliders_[i] = GetDlgItem(dialog, kEffects[i].slider);
  if (effects_) {
    effects_->GetBrightness(&values_[0]);
    effects_->GetContrast(&values_[1]);
    effects_->GetBrightnessEnabled(&flags_[0]);
    effects_->GetContrastEnabled(&flags_[1]);
    effects_->GetSaturation(&values_[2]);
    effects_->GetSaturationEnabled(&flags_[2]);
    effects_->GetHue(&values_[3]);
    effects_->GetHueEnabled(&flags_[3]);
  }
  for (int i = 0; i < 4; ++i) SendDlgItemMessageW(dialog, kEffects[i].box, BM_SETCHECK, flags_[i], 0);
  UpdateLabels();
  for (int i = 0; i < 4; ++i) {
    SendMessageW(sliders_[i], TBM_SETRANGE, TRUE, MAKELPARAM(kEffects[i].low, kEffects[i].high));
    SendMessageW(sliders_[i], TBM_SETPOS, TRUE, values_[i]);
  }
  InstallMouseHook();
}

void VideoEffectsPage::OnSliderMoved(HWND slider) {
  for (int i = 0; i < 4; ++i) {
    if (slider != sliders_[i]) continue;
    int position = static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0));
    if (effects_) (effects_.get()->*kEffects[i].set)(position);
  }
  UpdateLabels();
}

void VideoEffectsPage::OnButtonClicked(int id) {
  HWND dialog = Dialog();
  for (const EffectControls& effect : kEffects) {
    if (id != effect.box) continue;
    int checked = IsDlgButtonChecked(dialog, effect.box) == BST_CHECKED ? 1 : 0;
    EnableWindow(GetDlgItem(dialog, effect.slider), checked);
    EnableWindow(GetDlgItem(dialog, effect.label), checked);
    if (effects_) (effects_.get()->*effect.setEnabled)(checked);
  }
  if (id == IDC_DEFAULT) {
    for (HWND slider : sliders_) SendMessageW(slider, TBM_SETPOS, TRUE, 0);
    for (int i = 0; i < 4; ++i) {
      int position = static_cast<int>(SendMessageW(sliders_[i], TBM_GETPOS, 0, 0));
      if (effects_) (effects_.get()->*kEffects[i].set)(position);
    }
  }
}

void VideoEffectsPage::UpdateLabels() {
  HWND dialog = Dialog();
  if (!dialog) return;
  for (const EffectControls& effect : kEffects) {
    int value = 0;
    if (effects_) (effects_.get()->*effect.get)(&value);
    char text[64];
    std::snprintf(text, sizeof(text), effect.format, value);
    SetDlgItemTextA(dialog, effect.label, text);
  }
}

void VideoEffectsPage::OnMouseMove(POINT screen) {
  HWND dialog = Dialog();
  if (!dialog) return;
  POINT point = screen;
  ScreenToClient(dialog, &point);
  HWND help = GetDlgItem(dialog, IDC_HELP_TEXT);
  const char* text = " ";
  for (const HelpText& entry : kHelpTexts) {
    RECT rect;
    HWND control = GetDlgItem(dialog, entry.control);
    if (!control || !GetWindowRect(control, &rect)) continue;
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    if (PtInRect(&rect, point)) text = entry.text;
  }
  char current[128] = {};
  GetWindowTextA(help, current, sizeof(current));
  if (lstrcmpA(current, text) != 0) {
    SetWindowTextA(help, "");
    SetWindowTextA(help, text);
  }
}

void VideoEffectsPage::InstallMouseHook() {
  RemoveMouseHook();
  // One page at a time owns the hook: a page that held it gives it up.
  VideoEffectsPage* previous = g_hookOwner;
  if (previous && previous != this) previous->RemoveMouseHook();
  hook_ = SetWindowsHookExW(WH_MOUSE, &MouseHookProc, nullptr, GetCurrentThreadId());
  if (hook_) g_hookOwner = this;
}

void VideoEffectsPage::RemoveMouseHook() {
  if (g_hookOwner == this) g_hookOwner = nullptr;
  if (hook_) {
    UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
  }
}

LRESULT CALLBACK VideoEffectsPage::MouseHookProc(int code, WPARAM wParam, LPARAM lParam) {
  VideoEffectsPage* owner = g_hookOwner;
  if (code >= 0 && wParam == WM_MOUSEMOVE && owner && lParam)
    owner->OnMouseMove(reinterpret_cast<MOUSEHOOKSTRUCT*>(lParam)->pt);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace effects
