// The real "Video Effects" filter in the codec category: its page opens as
// a tab of the configurator and its sliders reach the filter.
#include <dshow.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "common/com/com_ptr.h"
#include "common/com/server.h"
#include "configurator/resource.h"
#include "configurator/tests/ui_test_support.h"
#include "video_effects.h"

namespace configurator_test {
namespace {

using zelvo::com::ComPtr;

// The filter's own class factory, keeping hold of the filter it makes so
// that the test can read the values the page sets.
class CapturingFactory final : public zelvo::com::SingleInterface<IClassFactory> {
 public:
  explicit CapturingFactory(IClassFactory* real) : SingleInterface(IID_IClassFactory), real_(real) {}
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    HRESULT hr = real_->CreateInstance(outer, iid, out);
    if (SUCCEEDED(hr) && !made_) {
      ComPtr<IVideoEffects> effects;
      if (SUCCEEDED(static_cast<IUnknown*>(*out)->QueryInterface(IID_IVideoEffects, effects.put_void())))
        made_ = effects.detach();
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override { return real_->LockServer(lock); }
  IVideoEffects* Made() const { return made_; }
  void Forget() {
    if (made_) made_->Release();
    made_ = nullptr;
  }

 private:
  ComPtr<IClassFactory> real_;
  IVideoEffects* volatile made_ = nullptr;
};

// VideoEffects.dll beside the test program, its two classes registered as
// class objects of the configurator's thread instead of in the registry
// (where the library's own tests register and remove them).
class EffectsClasses {
 public:
  bool Load() {
    module_ = LoadLibraryW((ProgramFolder() + L"VideoEffects.dll").c_str());
    if (!module_) return false;
    get_ = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    return get_ != nullptr;
  }
  // On the configurator's thread, once COM runs there.
  void Register() {
    ComPtr<IClassFactory> filter, page;
    if (FAILED(get_(CLSID_VideoEffects, IID_IClassFactory, filter.put_void())) ||
        FAILED(get_(CLSID_VideoEffectsPage, IID_IClassFactory, page.put_void())))
      return;
    capturing_ = new CapturingFactory(filter.get());
    registered_ = SUCCEEDED(CoRegisterClassObject(CLSID_VideoEffects, capturing_, CLSCTX_INPROC_SERVER,
                                                  REGCLS_MULTIPLEUSE, &filterCookie_)) &&
                  SUCCEEDED(CoRegisterClassObject(CLSID_VideoEffectsPage, page.get(), CLSCTX_INPROC_SERVER,
                                                  REGCLS_MULTIPLEUSE, &pageCookie_));
  }
  void Revoke() {
    if (filterCookie_) CoRevokeClassObject(filterCookie_);
    if (pageCookie_) CoRevokeClassObject(pageCookie_);
    if (capturing_) {
      capturing_->Forget();
      capturing_->Release();
      capturing_ = nullptr;
    }
  }
  bool Registered() const { return registered_; }
  IVideoEffects* Filter() const { return capturing_ ? capturing_->Made() : nullptr; }

 private:
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  HMODULE module_ = nullptr;
  GetClassObject get_ = nullptr;
  CapturingFactory* capturing_ = nullptr;
  DWORD filterCookie_ = 0;
  DWORD pageCookie_ = 0;
  std::atomic<bool> registered_{false};
};

void MoveSlider(HWND page, int id, int position) {
  HWND slider = GetDlgItem(page, id);
  SendMessageA(slider, TBM_SETPOS, TRUE, position);
  SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(slider));
}

TEST(VideoEffectsInTheConfigurator, ItsPageOpensAsATabAndTheSlidersReachTheFilter) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    ASSERT_TRUE(CategoryNames().empty()) << "the codec category holds entries of someone else";
    EffectsClasses classes;
    ASSERT_TRUE(classes.Load());
    CategoryEntries entries;
    ASSERT_EQ(S_OK, entries.Add(CLSID_VideoEffects, L"Video Effects"));

    ConfiguratorThread run([&] { classes.Register(); }, [&] { classes.Revoke(); });
    MessageBoxWatcher boxes(run.ThreadId(), false);
    HWND dialog = run.WaitForWindow();
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(classes.Registered());
    EXPECT_EQ((std::vector<std::string>{"Video Effects"}), TreeTexts(dialog));
    HWND panel = ShownPanel(dialog);
    ASSERT_NE(nullptr, panel);
    EXPECT_EQ((std::vector<std::string>{"Video Effects"}), TabTexts(panel));
    EXPECT_EQ(0, SelectedTab(panel));
    HWND page = VisiblePage(panel);
    ASSERT_NE(nullptr, page);
    ASSERT_NE(nullptr, GetDlgItem(page, 1003)) << "the brightness slider";
    IVideoEffects* filter = classes.Filter();
    ASSERT_NE(nullptr, filter);

    // The whole page fits: the window grew to the page's size.
    RECT pageRect, panelRect;
    GetWindowRect(page, &pageRect);
    GetWindowRect(panel, &panelRect);
    EXPECT_GE(panelRect.right, pageRect.right);
    EXPECT_GE(panelRect.bottom, pageRect.bottom);

    MoveSlider(page, 1003, 40);
    MoveSlider(page, 1007, -256);
    int brightness = 0, saturation = 0;
    filter->GetBrightness(&brightness);
    filter->GetSaturation(&saturation);
    EXPECT_EQ(40, brightness);
    EXPECT_EQ(-256, saturation);
    EXPECT_EQ("Brightness ( 40 )", WindowText(GetDlgItem(page, 1011)));

    // The Tab key walks from the tree into the page's controls.
    bool reached = false;
    HWND at = GetDlgItem(dialog, IDC_FILTER_TREE);
    for (int i = 0; i < 20 && !reached; ++i) {
      at = GetNextDlgTabItem(dialog, at, FALSE);
      reached = GetParent(at) == page;
    }
    EXPECT_TRUE(reached);

    // The page is never dirty: OK closes without a word.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_EQ(IDOK, run.Result());
    EXPECT_EQ(0u, boxes.Count());
  }
  CoUninitialize();
}

}  // namespace
}  // namespace configurator_test
