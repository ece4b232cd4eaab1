#include "player/subtitles_dialog.h"

#include <commdlg.h>
#include <oleauto.h>

#include <string>

#include "player/ansi_text.h"
#include "player/core/subtitle_rect.h"
#include "player/engine_client.h"
#include "player/file_dialog.h"
#include "player/player_settings.h"
#include "player/video_stream.h"

namespace {

// The dialog's resource and its controls.
enum : int { kSubtitlesDialog = 202, kFileEdit = 1054, kPickButton = 1016, kFontButton = 1014, kApplyButton = 1015 };
constexpr DWORD kMaxName = 256;
constexpr wchar_t kSubtitleFilter[] = L"Subtitles (*.srt)\0*.srt\0";
constexpr char kLoadFailed[] = "Can't load specified subtitle file";
constexpr char kLoadFailedCaption[] = "Subtitles loading fail";

// A BSTR for the length of one call.
class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return value_; }

 private:
  BSTR value_;
};

VARIANT_BOOL Flag(int32_t value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace

bool SubtitlesDialog::Create(EngineClient* engine) {
  engine_ = engine;
  if (window_) return true;
  window_ =
      CreateDialogParamW(instance_, MAKEINTRESOURCEW(kSubtitlesDialog), nullptr, Proc, reinterpret_cast<LPARAM>(this));
  return window_ != nullptr;
}

void SubtitlesDialog::Destroy() {
  if (!window_) return;
  StorePosition();
  DestroyWindow(window_);
  window_ = nullptr;
}

void SubtitlesDialog::Show() {
  if (!window_) return;
  SetWindowPos(window_, nullptr, settings_.subtitles_dialog_x, settings_.subtitles_dialog_y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  SetDlgItemTextW(window_, kFileEdit, AnsiToWide(settings_.last_subtitles_file_name).c_str());
  SendRect();
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
}

void SubtitlesDialog::Hide() {
  if (!window_ || !IsWindowVisible(window_)) return;
  StorePosition();
  ShowWindow(window_, SW_HIDE);
}

void SubtitlesDialog::StorePosition() {
  if (!IsWindowVisible(window_)) return;
  RECT rect;
  if (!GetWindowRect(window_, &rect)) return;
  settings_.subtitles_dialog_x = rect.left;
  settings_.subtitles_dialog_y = rect.top;
}

void SubtitlesDialog::SendRect() {
  if (!engine_ || !engine_->MediaLoaded()) return;
  ISubtitles* subtitles = engine_->subtitles();
  IMediaStreams* streams = engine_->streams();
  VideoStream* video = engine_->FirstVideo();
  if (!subtitles || !streams || !video) return;
  LONG width = 0, height = 0;
  if (streams->get_VideoWidth(video->Number(), &width) != S_OK) return;
  if (streams->get_VideoHeight(video->Number(), &height) != S_OK) return;
  if (width <= 0 || height <= 0) return;
  const SubtitleRect rect = SubtitleRectFor(width, height);
  subtitles->SetRect(rect.left, rect.top, rect.width, rect.height);
}

bool SubtitlesDialog::Apply() {
  wchar_t name[kMaxName + 1] = L"";
  GetDlgItemTextW(window_, kFileEdit, name, kMaxName + 1);
  ISubtitles* subtitles = engine_ ? engine_->subtitles() : nullptr;
  // An empty name loads nothing, whatever the engine would say to it.
  HRESULT hr = E_INVALIDARG;
  if (name[0] && subtitles) hr = subtitles->SetFile(Bstr(name).get());
  if (hr != S_OK) {
    MessageBoxA(nullptr, kLoadFailed, kLoadFailedCaption, MB_OK);
    SetDlgItemTextW(window_, kFileEdit, L"");
    return false;
  }
  subtitles->Enable(Flag(settings_.enable_subtitles));
  subtitles->SetFontBold(Flag(settings_.subtitles_bold));
  subtitles->SetFontItalic(Flag(settings_.subtitles_italic));
  subtitles->SetFontName(Bstr(AnsiToWide(settings_.subtitles_font_name)).get());
  subtitles->SetFontSize(settings_.subtitles_font_size);
  subtitles->SetTextColor(0xFFFFFF);
  SendRect();
  Hide();
  return true;
}

void SubtitlesDialog::Pick() {
  wchar_t name[kMaxName + 1] = L"";
  FileDialog dialog;
  dialog.owner = window_;
  dialog.filter = kSubtitleFilter;
  dialog.flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (AskForFile(dialog, name, kMaxName)) SetDlgItemTextW(window_, kFileEdit, name);
}

INT_PTR CALLBACK SubtitlesDialog::Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    SendDlgItemMessageW(dialog, kFileEdit, EM_LIMITTEXT, kMaxName, 0);
    return TRUE;
  }
  auto* self = reinterpret_cast<SubtitlesDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (!self) return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wparam)) {
        case kPickButton:
          self->Pick();
          return TRUE;
        case kApplyButton:
        case IDOK:
          self->Apply();
          return TRUE;
        case kFontButton:
        case IDCANCEL:
          self->Hide();
          return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      self->Hide();
      return TRUE;
  }
  return FALSE;
}
