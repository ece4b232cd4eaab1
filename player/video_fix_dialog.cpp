#include "player/video_fix_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <oleauto.h>

#include <cwchar>

#include "player/dialog_filters.h"
#include "player/file_dialog.h"
#include "skarn.h"

namespace {

// The file dialogs take names of at most this many characters.
constexpr DWORD kNameCharacters = 256;

constexpr wchar_t kCaption[] = L"Video Fixing";
constexpr char kFileDialogFailed[] = "The file dialog could not be shown (error 0x%X).";

// The full path of `name` relative to the current directory; empty when the
// name is not a valid path.
std::wstring FullPath(const std::wstring& name) {
  DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::wstring();
  std::wstring full(size, L'\0');
  DWORD length = GetFullPathNameW(name.c_str(), size, &full[0], nullptr);
  if (length == 0 || length >= size) return std::wstring();
  full.resize(length);
  return full;
}

// True when both names open one existing file (a short name, another
// spelling or a link to the same file).
bool SameExistingFile(const std::wstring& a, const std::wstring& b) {
  auto identify = [](const std::wstring& name, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE file = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BOOL ok = GetFileInformationByHandle(file, info);
    CloseHandle(file);
    return ok != FALSE;
  };
  BY_HANDLE_FILE_INFORMATION ia, ib;
  if (!identify(a, &ia) || !identify(b, &ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
         ia.nFileIndexLow == ib.nFileIndexLow;
}

// The repair library opens its files by their names in the ANSI code page:
// true when `name` comes back unchanged from that conversion, so that the
// library opens the very file the user named and no other.
bool SurvivesAnsiCodePage(const std::wstring& name) {
  int length = static_cast<int>(name.size());
  int bytes = WideCharToMultiByte(CP_ACP, 0, name.c_str(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  std::string ansi(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, name.c_str(), length, &ansi[0], bytes, nullptr, nullptr);
  int chars = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), bytes, nullptr, 0);
  if (chars <= 0) return false;
  std::wstring back(static_cast<size_t>(chars), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), bytes, &back[0], chars);
  return back == name;
}

std::wstring HresultText(const wchar_t* what, HRESULT hr) {
  wchar_t text[160];
  swprintf(text, sizeof text / sizeof text[0], L"%ls (error 0x%08lX)", what, static_cast<unsigned long>(hr));
  return text;
}

}  // namespace

VideoFixDialog::VideoFixDialog(HINSTANCE instance, PlayerSettings& settings, const wchar_t* prog_id)
    : instance_(instance), settings_(settings), prog_id_(prog_id ? prog_id : L"") {}

VideoFixDialog::~VideoFixDialog() { Destroy(); }

bool VideoFixDialog::Create(HWND owner) {
  if (window_) return true;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  window_ =
      CreateDialogParamW(instance_, MAKEINTRESOURCEW(kDialogId), owner, DialogProc, reinterpret_cast<LPARAM>(this));
  if (!window_) return false;
  // Placed at once, so that the position kept on hiding or destruction is
  // the stored one for a dialog that was never moved, or never shown.
  SetWindowPos(window_, nullptr, settings_.video_fixing_x, settings_.video_fixing_y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendDlgItemMessageW(window_, kProgressBar, PBM_SETRANGE32, 0, 100);
  SetProgress(50);
  SetTimer(window_, kTimerId, kTimerMilliseconds, nullptr);

  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(prog_id_.c_str(), &clsid);
  if (SUCCEEDED(hr)) {
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_ISkarner, reinterpret_cast<void**>(&skarner_));
  }
  if (FAILED(hr) || !skarner_) {
    skarner_ = nullptr;
    MessageBoxW(window_, kNoFixerText, L"", MB_OK);
    return true;
  }
  // Without ISkarnerResult the outcome of a run stays unknown (see FinishRun).
  skarner_->QueryInterface(IID_ISkarnerResult, reinterpret_cast<void**>(&result_));
  return true;
}

void VideoFixDialog::Show() {
  if (!window_) return;
  SetWindowPos(window_, nullptr, settings_.video_fixing_x, settings_.video_fixing_y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (!available()) return;
  SetDlgItemTextW(window_, kInputEdit, L"");
  SetDlgItemTextW(window_, kOutputEdit, L"");
  SetStatus(L"");
  ShowWindow(window_, SW_SHOW);
}

void VideoFixDialog::Hide() {
  if (!window_) return;
  StorePosition();
  ShowWindow(window_, SW_HIDE);
}

void VideoFixDialog::Destroy() {
  // WM_DESTROY keeps the position and stops the timer.
  if (window_) DestroyWindow(window_);
  // The last reference: a run still going is cancelled and waited for.
  if (result_) {
    result_->Release();
    result_ = nullptr;
  }
  if (skarner_) {
    skarner_->Release();
    skarner_ = nullptr;
  }
  running_ = false;
  cancel_requested_ = false;
}

INT_PTR CALLBACK VideoFixDialog::DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    return TRUE;
  }
  auto* self = reinterpret_cast<VideoFixDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (!self) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return self->HandleCommand(LOWORD(wparam), HIWORD(wparam));
    case WM_TIMER:
      if (wparam != kTimerId) return FALSE;
      self->OnTimer();
      return TRUE;
    case WM_CLOSE:
      self->Hide();
      return TRUE;
    case WM_DESTROY:
      self->StorePosition();
      KillTimer(window, kTimerId);
      return TRUE;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, DWLP_USER, 0);
      self->window_ = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR VideoFixDialog::HandleCommand(WORD id, WORD code) {
  switch (id) {
    case IDCANCEL:  // Escape
      Hide();
      return TRUE;
    case IDOK:  // Enter while Start is disabled: nothing to do
      return TRUE;
    case kInputBrowse:
      if (code == BN_CLICKED) Browse(L"Input file", OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST, false, kInputEdit);
      return TRUE;
    case kOutputBrowse:
      if (code == BN_CLICKED) Browse(L"Output file", OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT, true, kOutputEdit);
      return TRUE;
    case kStartButton:
      if (code == BN_CLICKED) StartRepair();
      return TRUE;
    case kCancelButton:
      if (code == BN_CLICKED) CancelRepair();
      return TRUE;
    default:
      return FALSE;
  }
}

// A picker for one of the two names; what the user chose goes into `edit`.
void VideoFixDialog::Browse(const wchar_t* title, DWORD flags, bool save, int edit) {
  wchar_t name[kNameCharacters] = L"";
  FileDialog dialog;
  dialog.owner = window_;
  dialog.title = title;
  dialog.filter = kAviFilter;
  dialog.default_extension = L"*";
  dialog.flags = flags;
  dialog.save = save;
  dialog.failure = kFileDialogFailed;
  if (AskForFile(dialog, name, kNameCharacters)) SetDlgItemTextW(window_, edit, name);
}

void VideoFixDialog::StartRepair() {
  if (!skarner_ || running_) return;
  // What the edits show now is what gets repaired: typed, chosen or emptied.
  std::wstring input = ItemText(kInputEdit);
  std::wstring output = ItemText(kOutputEdit);
  if (input.empty() || output.empty()) {
    SetStatus(input.empty() ? L"Choose the input file first." : L"Choose the output file first.");
    return;
  }
  std::wstring full_input = FullPath(input);
  std::wstring full_output = FullPath(output);
  if (full_input.empty() || full_output.empty()) {
    Warn(full_input.empty() ? L"The input file name is not a valid file name."
                            : L"The output file name is not a valid file name.");
    return;
  }
  if (CompareStringOrdinal(full_input.c_str(), -1, full_output.c_str(), -1, TRUE) == CSTR_EQUAL ||
      SameExistingFile(full_input, full_output)) {
    Warn(
        L"The input file and the output file are the same file.\n"
        L"The repaired copy needs a file of its own: choose another output file.");
    return;
  }
  if (!SurvivesAnsiCodePage(full_input) || !SurvivesAnsiCodePage(full_output)) {
    Warn(
        L"The file name has characters that the repair library cannot use.\n"
        L"Choose files whose names and folders use the system's code page only.");
    return;
  }

  BSTR input_name = SysAllocString(full_input.c_str());
  BSTR output_name = SysAllocString(full_output.c_str());
  HRESULT hr = input_name && output_name ? S_OK : E_OUTOFMEMORY;
  if (SUCCEEDED(hr)) hr = skarner_->SetInputFile(input_name);
  if (SUCCEEDED(hr)) hr = skarner_->SetOutputFile(output_name);
  if (SUCCEEDED(hr)) hr = skarner_->StartFix();
  SysFreeString(input_name);
  SysFreeString(output_name);
  if (FAILED(hr)) {
    SetStatus(L"Failed: " + HresultText(L"the repair could not start", hr));
    return;
  }
  running_ = true;
  cancel_requested_ = false;
  SetProgress(0);
  SetStatus(L"");
  EnableStart(false);
}

void VideoFixDialog::CancelRepair() {
  if (!skarner_) return;
  // Skarn's Cancel returns once its worker has left the run, which it does
  // at its next progress step.
  if (running_) cancel_requested_ = true;
  HRESULT hr = skarner_->Cancel();
  if (FAILED(hr) && running_) {
    cancel_requested_ = false;
    SetStatus(HresultText(L"The repair could not be cancelled", hr));
  }
}

void VideoFixDialog::OnTimer() {
  if (!skarner_) return;
  bool ended = false;
  if (running_) {
    VARIANT_BOOL completed = VARIANT_FALSE;
    ended = SUCCEEDED(skarner_->IsCompleted(&completed)) && completed != VARIANT_FALSE;
    // A cancelled run never reports completion; its result tells it has
    // ended (GetResult gives S_FALSE until the run started last has).
    // Without the result, the return of Cancel is all there is to go by.
    if (!ended && cancel_requested_) {
      ended = true;
      if (result_) {
        LONG code = 0;
        BSTR reason = nullptr;
        ended = result_->GetResult(&code, &reason) == S_OK;
        SysFreeString(reason);
      }
    }
  }
  // Read after the completion, so that a completed run shows its 100 %.
  LONG percent = 0;
  if (SUCCEEDED(skarner_->GetPercentComplete(&percent))) SetProgress(static_cast<int>(percent));
  if (ended) FinishRun();
}

void VideoFixDialog::FinishRun() {
  running_ = false;
  LONG code = E_FAIL;
  std::wstring reason;
  bool known = false;
  if (result_) {
    BSTR text = nullptr;
    known = result_->GetResult(&code, &text) == S_OK;
    if (text) reason.assign(text, SysStringLen(text));
    SysFreeString(text);
  }
  if (known && code == S_OK) {
    SetStatus(L"Completed");
  } else if (cancel_requested_) {
    SetStatus(L"Cancelled");
  } else if (!known) {
    SetStatus(L"Failed: the repair library did not report the outcome of the repair");
  } else {
    SetStatus(L"Failed: " + (reason.empty() ? HresultText(L"the repair did not succeed", code) : reason));
  }
  cancel_requested_ = false;
  EnableStart(true);
}

std::wstring VideoFixDialog::ItemText(int id) const {
  HWND item = GetDlgItem(window_, id);
  int length = item ? GetWindowTextLengthW(item) : 0;
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  length = GetWindowTextW(item, &text[0], length + 1);
  text.resize(static_cast<size_t>(length > 0 ? length : 0));
  return text;
}

void VideoFixDialog::SetStatus(const std::wstring& text) { SetDlgItemTextW(window_, kStatusText, text.c_str()); }

void VideoFixDialog::SetProgress(int percent) { SendDlgItemMessageW(window_, kProgressBar, PBM_SETPOS, percent, 0); }

void VideoFixDialog::EnableStart(bool enable) {
  HWND start = GetDlgItem(window_, kStartButton);
  if (!enable && GetFocus() == start) {
    // A disabled button keeps no focus: the keyboard goes on at Cancel.
    SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window_, kCancelButton)), TRUE);
  }
  EnableWindow(start, enable);
}

void VideoFixDialog::StorePosition() {
  RECT rect;
  if (!window_ || !GetWindowRect(window_, &rect)) return;
  settings_.video_fixing_x = rect.left;
  settings_.video_fixing_y = rect.top;
}

void VideoFixDialog::Warn(const wchar_t* text) { MessageBoxW(window_, text, kCaption, MB_OK | MB_ICONWARNING); }
