#include "player/preference_pages.h"

#include <commctrl.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "player/ansi_text.h"
#include "player/command_ids.h"
#include "player/engine_client.h"
#include "player/video_stream.h"

namespace preferences {

namespace {

const COLORREF kPageColour = RGB(230, 230, 230);

// Playback page.
constexpr int kRateEdit = 1043;
constexpr int kSetRate = 1010;
constexpr int kDefaultRate = 1011;
constexpr int kAutoStart = 1047;
constexpr int kBlockScreenSaver = 1045;
constexpr int kRepeat = 1048;
constexpr int kShuffle = 1049;
constexpr int kRewindEdit = 1050;

// User interface page.
constexpr int kRegisterExtensions = 1010;
constexpr int kAutoRegister = 1045;
constexpr int kAutoFullscreen = 1046;
constexpr int kOnTop = 1047;
constexpr int kScrollTitle = 1050;
constexpr int kRememberPosition = 1051;
constexpr int kRememberSettings = 1048;
constexpr int kHideRemote = 1052;
constexpr int kHideCursor = 1054;
constexpr int kHideDelay = 1044;

// Subtitles page.
constexpr int kEnableSubtitles = 1046;
constexpr int kFontName = 2146;
constexpr int kFontSizeSpin = 2147;
constexpr int kFontSize = 2148;
constexpr int kBold = 2149;
constexpr int kItalic = 2150;

// Video stream page.
constexpr int kBrightness = 1020;
constexpr int kContrast = 1021;
constexpr int kFitToWindow = 1024;
constexpr int kSourceAspect = 1025;
constexpr int kFullscreen43 = 1026;
constexpr int kRatePlayed = 1028;
constexpr int kWidescreen = 1029;
constexpr int kFramesPlayed = 1030;
constexpr int kDimensions = 1031;
constexpr int kCustomAspect = 1033;
constexpr int kCustomX = 1034;
constexpr int kCustomY = 1035;
constexpr int kVideoManual = 1036;
constexpr int kVideoDecoders = 1039;
constexpr int kVideoEnabled = 1040;
constexpr int kPictureControl = 1041;
constexpr int kProperties = 1011;
// The aspect codes in radio order: fit, source, 4:3, 16:9, custom.
constexpr int kAspectRadios[] = {kFitToWindow, kSourceAspect, kFullscreen43, kWidescreen, kCustomAspect};
constexpr int kCustomCode = 4;

// Audio stream page.
constexpr int kAudioEnabled = 1038;
constexpr int kAudioManual = 1051;
constexpr int kAudioDecoders = 1052;

constexpr int kPictureLimit = 100;
// More names than any engine offers: a count beyond it is not believed.
constexpr LONG kMostDecoders = 4096;

constexpr char kNotAvailable[] = "N/A";
constexpr char kDecoderFailed[] = "Can't play this file using selected decoder";

// The engine's interfaces carry window handles as 32-bit values.
LONG HandleValue(HWND window) { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(window)); }

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Trimmed(const std::string& text) {
  const char* blanks = " \t\r\n";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

bool MediaOpen(EngineClient* engine) { return engine && engine->streams() && engine->MediaLoaded(); }

}  // namespace

bool ParseWholeNumber(const std::string& text, uint32_t* value) {
  std::string digits = Trimmed(text);
  if (digits.empty()) return false;
  uint64_t number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    number = std::min<uint64_t>(number * 10 + static_cast<uint64_t>(c - '0'), UINT32_MAX);
  }
  *value = static_cast<uint32_t>(number);
  return true;
}

bool ParsePositiveNumber(const std::string& text, double* value) {
  std::string number = Trimmed(text);
  if (number.empty()) return false;
  char* end = nullptr;
  errno = 0;
  double parsed = std::strtod(number.c_str(), &end);
  if (errno != 0 || end != number.c_str() + number.size() || !std::isfinite(parsed) || parsed <= 0.0) return false;
  *value = parsed;
  return true;
}

// Page ----------------------------------------------------------------------

Page::Page(PageContext& context, int resource) : context_(context), resource_(resource) {}

Page::~Page() {
  if (window_) DestroyWindow(window_);
  if (background_) DeleteObject(background_);
}

bool Page::Create(HWND parent) {
  background_ = CreateSolidBrush(kPageColour);
  window_ = CreateDialogParamA(context_.instance, MAKEINTRESOURCEA(resource_), parent, PageProc,
                               reinterpret_cast<LPARAM>(this));
  return window_ != nullptr;
}

void Page::Fill() {
  filling_ = true;
  OnFill();
  filling_ = false;
  changed_ = false;
}

bool Page::Apply() {
  filling_ = true;
  bool done = OnApply();
  filling_ = false;
  if (done) changed_ = false;
  return done;
}

std::string Page::Text(int id) const {
  HWND control = Item(id);
  int length = control ? GetWindowTextLengthA(control) : 0;
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  int got = GetWindowTextA(control, &text[0], length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

void Page::SetText(int id, const std::string& text) {
  bool was_filling = filling_;
  filling_ = true;
  SetDlgItemTextA(window_, id, text.c_str());
  filling_ = was_filling;
}

void Page::Warn(const std::string& text, int focus) const {
  if (context_.show_page && !IsWindowVisible(window_)) context_.show_page(const_cast<Page*>(this));
  MessageBoxA(window_, text.c_str(), kWarningCaption, MB_OK | MB_ICONWARNING);
  if (focus) {
    HWND control = Item(focus);
    SetFocus(control);
    SendMessageA(control, EM_SETSEL, 0, -1);
  }
}

INT_PTR CALLBACK Page::PageProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* page = reinterpret_cast<Page*>(lparam);
    SetWindowLongPtrA(window, DWLP_USER, lparam);
    page->window_ = window;
    page->filling_ = true;
    page->OnInit();
    page->filling_ = false;
    return FALSE;
  }
  auto* page = reinterpret_cast<Page*>(GetWindowLongPtrA(window, DWLP_USER));
  if (!page || page->window_ != window) return FALSE;
  if (message == WM_NCDESTROY) {
    // The dialog went with its parent: the page no longer has a window.
    page->window_ = nullptr;
    return FALSE;
  }
  return page->Dispatch(message, wparam, lparam);
}

INT_PTR Page::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  INT_PTR result = 0;
  if (OnMessage(message, wparam, lparam, &result)) return result;
  switch (message) {
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(background_);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // Read-only and disabled edits keep their own colours.
      char name[16] = "";
      GetClassNameA(reinterpret_cast<HWND>(lparam), name, sizeof name);
      if (lstrcmpiA(name, "Edit") == 0) return FALSE;
      SetBkColor(reinterpret_cast<HDC>(wparam), kPageColour);
      return reinterpret_cast<INT_PTR>(background_);
    }
    case WM_COMMAND: {
      int id = LOWORD(wparam);
      int code = HIWORD(wparam);
      HWND control = reinterpret_cast<HWND>(lparam);
      if (!filling_ && control) {
        LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK;
        char name[16] = "";
        GetClassNameA(control, name, sizeof name);
        bool check_box = lstrcmpiA(name, "Button") == 0 &&
                         (style == BS_AUTOCHECKBOX || style == BS_CHECKBOX || style == BS_AUTORADIOBUTTON ||
                          style == BS_RADIOBUTTON || style == BS_AUTO3STATE || style == BS_3STATE);
        if ((code == BN_CLICKED && check_box) || code == EN_CHANGE || code == CBN_SELCHANGE) changed_ = true;
      }
      OnCommand(id, code);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

// About page ----------------------------------------------------------------

const char* const AboutPage::kLinkAddresses[kLinkCount] = {
    "https://zelvo.example/player/",
    "https://zelvo.example/player/skins/",
    "https://zelvo.example/player/support/",
};

AboutPage::~AboutPage() {
  // The controls go before the fonts they were given.
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
  if (link_font_) DeleteObject(link_font_);
  if (title_font_) DeleteObject(title_font_);
}

void AboutPage::OnInit() {
  link_font_ = CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
  title_font_ = CreateFontA(-18, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
  for (int i = 0; i < kLinkCount; ++i)
    SendMessageA(Item(kFirstLink + i), WM_SETFONT, reinterpret_cast<WPARAM>(link_font_), FALSE);
  SendMessageA(Item(1060), WM_SETFONT, reinterpret_cast<WPARAM>(title_font_), FALSE);
}

void AboutPage::OnCommand(int id, int code) {
  if (code != STN_CLICKED || id < kFirstLink || id >= kFirstLink + kLinkCount) return;
  if (context_.open_link) context_.open_link(kLinkAddresses[id - kFirstLink]);
}

bool AboutPage::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
  if (message == WM_CTLCOLORSTATIC) {
    int id = GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
    if (id >= kFirstLink && id < kFirstLink + kLinkCount) {
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetTextColor(dc, RGB(0, 0, 192));
      SetBkColor(dc, kPageColour);
      *result = reinterpret_cast<INT_PTR>(background());
      return true;
    }
  }
  if (message == WM_SETCURSOR) {
    int id = GetDlgCtrlID(reinterpret_cast<HWND>(wparam));
    if (id >= kFirstLink && id < kFirstLink + kLinkCount) {
      SetCursor(LoadCursor(nullptr, IDC_HAND));
      SetWindowLongPtrA(window_, DWLP_MSGRESULT, TRUE);
      *result = TRUE;
      return true;
    }
  }
  return false;
}

// Playback page -------------------------------------------------------------

void PlaybackPage::ShowRate() {
  double rate = engine() ? engine()->RateFPS() : 0.0;
  SetText(kRateEdit, Format("%0.3f", rate));
  rate_typed_ = false;
}

void PlaybackPage::OnFill() {
  ShowRate();
  SetChecked(kAutoStart, settings().auto_start_playback != 0);
  SetChecked(kBlockScreenSaver, settings().block_screen_saver != 0);
  SetChecked(kRepeat, settings().repeat != 0);
  SetChecked(kShuffle, settings().shuffle != 0);
  SetText(kRewindEdit, std::to_string(static_cast<uint32_t>(std::max<int32_t>(settings().rewind_seconds, 0))));
}

void PlaybackPage::RefreshOutside() {
  SetChecked(kRepeat, settings().repeat != 0);
  SetChecked(kShuffle, settings().shuffle != 0);
  if (!rate_typed_) ShowRate();
}

void PlaybackPage::OnCommand(int id, int code) {
  if (id == kRateEdit && code == EN_CHANGE && !filling_) rate_typed_ = true;
  if (code != BN_CLICKED) return;
  if (id == kSetRate) SetRate();
  if (id == kDefaultRate) DefaultRate();
}

void PlaybackPage::SetRate() {
  double rate = 0.0;
  if (!ParsePositiveNumber(Text(kRateEdit), &rate)) {
    Warn("\"Frames per second\" must be a number greater than 0, such as 25 or 29.97.", kRateEdit);
    return;
  }
  if (!MediaOpen(engine())) {
    Warn("The playback rate can be set only while a file is open.");
    return;
  }
  if (FAILED(engine()->SetRateFPS(rate))) {
    Warn("The player could not play this file at " + Format("%0.3f", rate) + " frames per second.", kRateEdit);
    return;
  }
  SetText(kRateEdit, Format("%0.3f", rate));
  rate_typed_ = false;
}

void PlaybackPage::DefaultRate() {
  double rate = MediaOpen(engine()) ? engine()->DefaultRateFPS() : 0.0;
  if (rate <= 0.0) {
    Warn("The default playback rate is known only while a video file is open.");
    return;
  }
  SetText(kRateEdit, Format("%0.3f", rate));
  rate_typed_ = false;
  engine()->SetRateFPS(rate);
}

bool PlaybackPage::Validate() {
  uint32_t seconds = 0;
  if (!ParseWholeNumber(Text(kRewindEdit), &seconds)) {
    Warn("\"Rewind seconds\" must be a whole number from 0 to 1000.", kRewindEdit);
    return false;
  }
  if (seconds > static_cast<uint32_t>(kRewindLimit)) {
    seconds = kRewindLimit;
    SetText(kRewindEdit, std::to_string(seconds));
  }
  rewind_ = static_cast<int32_t>(seconds);
  return true;
}

bool PlaybackPage::OnApply() {
  settings().auto_start_playback = Checked(kAutoStart);
  settings().block_screen_saver = Checked(kBlockScreenSaver);
  settings().repeat = Checked(kRepeat);
  settings().shuffle = Checked(kShuffle);
  Post(settings().repeat ? IDM_REPEAT_ON : IDM_REPEAT_OFF);
  Post(settings().shuffle ? IDM_SHUFFLE_ON : IDM_SHUFFLE_OFF);
  settings().rewind_seconds = rewind_;
  if (context_.block_screen_saver) context_.block_screen_saver(settings().block_screen_saver != 0);
  return true;
}

// User interface page -------------------------------------------------------

void UserInterfacePage::OnFill() {
  const PlayerSettings& s = settings();
  SetChecked(kAutoRegister, s.auto_register_file_extensions != 0);
  SetChecked(kOnTop, s.play_window_on_top != 0);
  SetChecked(kAutoFullscreen, s.auto_switch_to_fullscreen != 0);
  SetChecked(kHideRemote, s.hide_remote_in_fullscreen != 0);
  SetChecked(kHideCursor, s.hide_cursor_when_hiding_remote != 0);
  SetText(kHideDelay, std::to_string(s.hiding_remote_timeout));
  SetChecked(kScrollTitle, s.scroll_movie_title != 0);
  SetChecked(kRememberPosition, s.remember_window_position != 0);
  SetChecked(kRememberSettings, s.remember_player_settings != 0);
  EnableRemoteControls();
}

void UserInterfacePage::RefreshOutside() { SetChecked(kOnTop, settings().play_window_on_top != 0); }

void UserInterfacePage::EnableRemoteControls() {
  bool on = Checked(kHideRemote);
  Enable(kHideCursor, on);
  Enable(kHideDelay, on);
}

void UserInterfacePage::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  if (id == kHideRemote) EnableRemoteControls();
  if (id == kRegisterExtensions) Post(kCommandRegisterFileTypes);
}

bool UserInterfacePage::Validate() {
  hide_delay_ = settings().hiding_remote_timeout;
  // A delay the user cannot reach (the box is off) stays as it is stored.
  if (!Checked(kHideRemote)) return true;
  uint32_t seconds = 0;
  if (!ParseWholeNumber(Text(kHideDelay), &seconds) || seconds < static_cast<uint32_t>(kMinimumHideDelay) ||
      seconds > static_cast<uint32_t>(kMaximumHideDelay)) {
    Warn("\"Hide after\" must be a whole number of seconds from 1 to 3600.", kHideDelay);
    return false;
  }
  hide_delay_ = static_cast<int32_t>(seconds);
  return true;
}

bool UserInterfacePage::OnApply() {
  PlayerSettings& s = settings();
  s.auto_register_file_extensions = Checked(kAutoRegister);
  s.play_window_on_top = Checked(kOnTop);
  s.auto_switch_to_fullscreen = Checked(kAutoFullscreen);
  s.hide_remote_in_fullscreen = Checked(kHideRemote);
  s.hide_cursor_when_hiding_remote = Checked(kHideCursor);
  s.hiding_remote_timeout = hide_delay_;
  s.scroll_movie_title = Checked(kScrollTitle);
  s.remember_window_position = Checked(kRememberPosition);
  s.remember_player_settings = Checked(kRememberSettings);
  Post(s.play_window_on_top ? IDM_TOPMOST_ON : IDM_TOPMOST_OFF);
  return true;
}

// Subtitles page ------------------------------------------------------------

namespace {

int CALLBACK AddFontFamily(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM combo) {
  SendMessageA(reinterpret_cast<HWND>(combo), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(font->lfFaceName));
  return 1;
}

}  // namespace

void SubtitlesPage::OnInit() {
  HWND combo = Item(kFontName);
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesA(screen, nullptr, AddFontFamily, reinterpret_cast<LPARAM>(combo));
  ReleaseDC(nullptr, screen);
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
  SendMessageA(Item(kFontSizeSpin), UDM_SETRANGE32, kMinimumSize, kMaximumSize);
}

void SubtitlesPage::SelectFont(const std::string& name) {
  HWND combo = Item(kFontName);
  std::string wanted = name.empty() ? PlayerSettings().subtitles_font_name : name;
  // CB_FINDSTRINGEXACT matches whole names, ignoring case.
  LRESULT index =
      SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wanted.c_str()));
  if (index == CB_ERR && !name.empty()) {
    // A font this screen lacks stays the user's choice.
    index = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  SendMessageA(combo, CB_SETCURSEL, index == CB_ERR ? 0 : static_cast<WPARAM>(index), 0);
}

void SubtitlesPage::OnFill() {
  SetChecked(kEnableSubtitles, settings().enable_subtitles != 0);
  SendMessageA(Item(kFontSizeSpin), UDM_SETPOS32, 0, settings().subtitles_font_size);
  SetText(kFontSize, std::to_string(settings().subtitles_font_size));
  SelectFont(settings().subtitles_font_name);
  SetChecked(kBold, settings().subtitles_bold != 0);
  SetChecked(kItalic, settings().subtitles_italic != 0);
  EnableFontControls();
}

void SubtitlesPage::EnableFontControls() {
  bool on = Checked(kEnableSubtitles);
  for (int id : {kFontName, kFontSize, kFontSizeSpin, kBold, kItalic}) Enable(id, on);
}

void SubtitlesPage::OnCommand(int id, int code) {
  if (id == kEnableSubtitles && code == BN_CLICKED) EnableFontControls();
}

bool SubtitlesPage::Validate() {
  size_ = settings().subtitles_font_size;
  if (!Checked(kEnableSubtitles)) {
    uint32_t size = 0;
    if (ParseWholeNumber(Text(kFontSize), &size) && size >= static_cast<uint32_t>(kMinimumSize) &&
        size <= static_cast<uint32_t>(kMaximumSize)) {
      size_ = static_cast<int32_t>(size);
    }
    return true;
  }
  uint32_t size = 0;
  if (!ParseWholeNumber(Text(kFontSize), &size) || size < static_cast<uint32_t>(kMinimumSize) ||
      size > static_cast<uint32_t>(kMaximumSize)) {
    Warn("The font \"Size\" must be a whole number from 1 to 200.", kFontSize);
    return false;
  }
  size_ = static_cast<int32_t>(size);
  return true;
}

bool SubtitlesPage::OnApply() {
  PlayerSettings& s = settings();
  s.enable_subtitles = Checked(kEnableSubtitles);
  HWND combo = Item(kFontName);
  LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  LRESULT length = index == CB_ERR ? CB_ERR : SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
  if (length != CB_ERR && length > 0) {
    std::string name(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&name[0]));
    name.resize(static_cast<size_t>(length));
    s.subtitles_font_name = name;
  }
  s.subtitles_font_size = size_;
  s.subtitles_bold = Checked(kBold);
  s.subtitles_italic = Checked(kItalic);
  ISubtitles* subtitles = engine() ? engine()->subtitles() : nullptr;
  if (!subtitles) return true;
  subtitles->SetFontBold(s.subtitles_bold ? VARIANT_TRUE : VARIANT_FALSE);
  subtitles->SetFontItalic(s.subtitles_italic ? VARIANT_TRUE : VARIANT_FALSE);
  std::wstring wide = AnsiToWide(s.subtitles_font_name);
  BSTR name = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  subtitles->SetFontName(name);
  SysFreeString(name);
  subtitles->SetFontSize(s.subtitles_font_size);
  subtitles->SetTextColor(0xFFFFFF);
  subtitles->Enable(s.enable_subtitles ? VARIANT_TRUE : VARIANT_FALSE);
  return true;
}

// Stream pages --------------------------------------------------------------

StreamPage::StreamPage(PageContext& context, int resource, int enabled_id, int manual_id, int combo_id)
    : Page(context, resource), enabled_id_(enabled_id), manual_id_(manual_id), combo_id_(combo_id) {}

void StreamPage::SetStream(int position) {
  if (position == position_) return;
  position_ = position;
  stale_ = true;
  last_choice_.clear();
}

void StreamPage::StreamsRebuilt() {
  stale_ = true;
  changed_ = false;
  last_choice_.clear();
}

StreamObject* StreamPage::Stream() const {
  if (!MediaOpen(engine()) || position_ < 0) return nullptr;
  const std::vector<StreamObject*>& list = engine()->StreamList();
  return static_cast<size_t>(position_) < list.size() ? list[static_cast<size_t>(position_)] : nullptr;
}

long StreamPage::Number() const {
  StreamObject* stream = Stream();
  return stream ? stream->Number() : -1;
}

void StreamPage::OnShown() {
  if (stale_ || !changed_) Fill();
  stale_ = false;
}

void StreamPage::OnFill() {
  StreamObject* stream = Stream();
  IMediaStreams* streams = stream ? engine()->streams() : nullptr;
  IDecoderSelector* decoders = stream ? engine()->decoders() : nullptr;
  LONG enabled = 0;
  SetChecked(enabled_id_, streams && streams->get_EnableStream(stream->Number(), &enabled) == S_OK && enabled);
  VARIANT_BOOL manual = VARIANT_FALSE;
  bool on = decoders && decoders->get_EnableManualSelection(stream->Number(), &manual) == S_OK && manual;
  SetChecked(manual_id_, on);
  Enable(combo_id_, on);
  if (on) {
    FillDecoders();
  } else {
    SendMessageA(Item(combo_id_), CB_RESETCONTENT, 0, 0);
  }
}

void StreamPage::FillDecoders() {
  HWND combo = Item(combo_id_);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  StreamObject* stream = Stream();
  IDecoderSelector* decoders = stream ? engine()->decoders() : nullptr;
  if (!decoders) return;
  LONG count = 0;
  if (FAILED(decoders->CountSuitableDecoders(stream->Number(), &count)) || count <= 0 || count > kMostDecoders) return;
  std::vector<BSTR> names(static_cast<size_t>(count), nullptr);
  if (SUCCEEDED(decoders->GetDecoderNames(stream->Number(), names.data()))) {
    for (BSTR name : names) {
      std::string text = WideToAnsi(name ? std::wstring(name, SysStringLen(name)) : std::wstring());
      SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
  }
  for (BSTR name : names) SysFreeString(name);
  std::string current = WideToAnsi(stream->GetText());
  LRESULT index = CB_ERR;
  for (const std::string* wanted : {&last_choice_, &current}) {
    if (index == CB_ERR && !wanted->empty()) {
      index =
          SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wanted->c_str()));
    }
  }
  SendMessageA(combo, CB_SETCURSEL, index == CB_ERR ? 0 : static_cast<WPARAM>(index), 0);
}

void StreamPage::ManualSelectionClicked() {
  StreamObject* stream = Stream();
  IDecoderSelector* decoders = stream ? engine()->decoders() : nullptr;
  bool on = Checked(manual_id_);
  if (on && decoders) {
    decoders->LoadDecoders(stream->Number());
    FillDecoders();
  } else {
    SendMessageA(Item(combo_id_), CB_RESETCONTENT, 0, 0);
  }
  Enable(combo_id_, on);
}

void StreamPage::OnCommand(int id, int code) {
  if (code == BN_CLICKED && id == manual_id_) ManualSelectionClicked();
  if (code == CBN_SELCHANGE && id == combo_id_) {
    HWND combo = Item(combo_id_);
    LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    LRESULT length = index == CB_ERR ? CB_ERR : SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
    if (length != CB_ERR) {
      std::string name(static_cast<size_t>(length) + 1, '\0');
      SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&name[0]));
      name.resize(static_cast<size_t>(length));
      last_choice_ = name;
    }
  }
  if (code == BN_CLICKED && id == kProperties) {
    StreamObject* stream = Stream();
    IPropertyPages* pages = stream ? engine()->property_pages() : nullptr;
    if (pages) pages->ShowPages(stream->Number(), HandleValue(window_));
  }
}

bool StreamPage::ApplyStreamAndDecoder(bool video) {
  StreamObject* stream = Stream();
  IMediaStreams* streams = stream ? engine()->streams() : nullptr;
  if (!streams) return true;
  const long number = stream->Number();
  bool enabled = Checked(enabled_id_);
  LONG now = 0;
  if (streams->get_EnableStream(number, &now) == S_OK && (now != 0) != enabled) OnStreamEnabledChanged(enabled);

  IDecoderSelector* decoders = engine()->decoders();
  if (!decoders) return true;
  bool manual = Checked(manual_id_);
  HWND combo = Item(combo_id_);
  LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (manual && enabled && index != CB_ERR) {
    LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
    std::string name(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&name[0]));
    name.resize(static_cast<size_t>(std::max<LRESULT>(length, 0)));
    std::wstring wide = AnsiToWide(name);
    if (!name.empty() && wide != stream->GetText()) {
      last_choice_ = name;
      VideoStream* window = video ? stream->AsVideo() : nullptr;
      engine()->Stop();
      BSTR decoder = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
      HRESULT hr = decoders->UseDecoder(number, decoder);
      SysFreeString(decoder);
      if (FAILED(hr)) {
        if (video) settings().show_active_window = 0;
        if (window) window->Show(false);
        MessageBoxA(window_, kDecoderFailed, "", MB_OK | MB_ICONERROR);
        return false;
      }
      // Remembered only once the engine took it: choosing it again after a
      // failure tries again.
      stream->SetText(wide);
      if (video) settings().show_active_window = 1;
      if (window) window->Show(true);
      engine()->Play();
    }
  }
  decoders->put_EnableManualSelection(number, manual ? VARIANT_TRUE : VARIANT_FALSE);
  if (manual) {
    FillDecoders();
  } else {
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  }
  return true;
}

// Video stream page ---------------------------------------------------------

VideoPage::VideoPage(PageContext& context)
    : StreamPage(context, kVideoResource, kVideoEnabled, kVideoManual, kVideoDecoders) {}

void VideoPage::OnFill() {
  for (int id : {kBrightness, kContrast}) {
    SendMessageA(Item(id), TBM_SETRANGEMIN, FALSE, -kPictureLimit);
    SendMessageA(Item(id), TBM_SETRANGEMAX, TRUE, kPictureLimit);
  }
  // Wine's trackbar leaves its thumb where the old range put it when a new
  // position equals the one it had: a move away first places it anew.
  auto place = [&](int id, int value) {
    const int position = std::clamp(value, -kPictureLimit, kPictureLimit);
    SendMessageA(Item(id), TBM_SETPOS, FALSE, position == kPictureLimit ? -kPictureLimit : kPictureLimit);
    SendMessageA(Item(id), TBM_SETPOS, TRUE, position);
  };
  place(kBrightness, settings().brightness);
  place(kContrast, settings().contrast);
  int code = settings().aspect_ratio;
  if (code < 0 || code > kCustomCode) code = 0;
  for (int i = 0; i <= kCustomCode; ++i) SetChecked(kAspectRadios[i], i == code);
  Enable(kCustomX, code == kCustomCode);
  Enable(kCustomY, code == kCustomCode);
  SetText(kCustomX, Format("%0.2f", settings().custom_aspect_x));
  SetText(kCustomY, Format("%0.2f", settings().custom_aspect_y));
  SetChecked(kPictureControl, settings().use_picture_control != 0);
  EnablePictureControls();

  StreamObject* stream = Stream();
  IMediaStreams* streams = stream ? engine()->streams() : nullptr;
  if (streams) {
    LONG width = 0, height = 0;
    streams->get_VideoWidth(stream->Number(), &width);
    streams->get_VideoHeight(stream->Number(), &height);
    char text[64];
    std::snprintf(text, sizeof text, "%ld x %ld", static_cast<long>(width), static_cast<long>(height));
    SetText(kDimensions, text);
    double rate = 0.0;
    streams->get_RateFPS(stream->Number(), &rate);
    SetText(kRatePlayed, Format("%0.2f", rate));
  } else {
    for (int id : {kDimensions, kRatePlayed, kFramesPlayed}) SetText(id, kNotAvailable);
  }
  StreamPage::OnFill();
}

void VideoPage::OnShown() {
  StreamPage::OnShown();
  StreamObject* stream = Stream();
  IMediaStreams* streams = stream ? engine()->streams() : nullptr;
  if (!streams) return;
  int code = settings().aspect_ratio;
  ApplyAspect(code < 0 || code > kCustomCode ? 0 : code);
  streams->put_Brightness(stream->Number(), settings().brightness);
  streams->put_Contrast(stream->Number(), settings().contrast);
  ShowFramesPlayed();
  SetTimer(window_, kFrameTimer, 100, nullptr);
}

void VideoPage::OnHidden() { KillTimer(window_, kFrameTimer); }

void VideoPage::ShowFramesPlayed() {
  StreamObject* stream = Stream();
  IMediaStreams* streams = stream ? engine()->streams() : nullptr;
  if (!streams) {
    SetText(kFramesPlayed, kNotAvailable);
    return;
  }
  std::string text = "0";
  LONGLONG frames = 0;
  if (settings().use_picture_control && streams->get_FramesPlayed(stream->Number(), &frames) == S_OK) {
    text = std::to_string(static_cast<long long>(frames));
  }
  if (Text(kFramesPlayed) != text) SetText(kFramesPlayed, text);
}

void VideoPage::EnablePictureControls() {
  bool on = settings().use_picture_control != 0;
  Enable(kBrightness, on);
  Enable(kContrast, on);
}

bool VideoPage::ReadCustomAspect(double* x, double* y) const {
  if (!ParsePositiveNumber(Text(kCustomX), x)) {
    Warn("The custom aspect \"X\" must be a number greater than 0, such as 2.35.", kCustomX);
    return false;
  }
  if (!ParsePositiveNumber(Text(kCustomY), y)) {
    Warn("The custom aspect \"Y\" must be a number greater than 0, such as 1.", kCustomY);
    return false;
  }
  return true;
}

void VideoPage::ApplyAspect(int code) {
  StreamObject* stream = Stream();
  IMediaStreams* streams = stream ? engine()->streams() : nullptr;
  if (!streams) return;
  const long number = stream->Number();
  if (VideoStream* video = stream->AsVideo()) {
    RECT client;
    if (video->Window() && GetClientRect(video->Window(), &client)) {
      const long border = VideoStream::kBorder;
      streams->put_VwLeft(number, border);
      streams->put_VwTop(number, border);
      streams->put_VwRight(number, client.right - 2 * border);
      streams->put_VwBottom(number, client.bottom - 2 * border);
    }
  }
  streams->put_AspectRatio(number, code);
}

void VideoPage::AspectClicked(int code) {
  if (code == kCustomCode) {
    double x = 0.0, y = 0.0;
    if (!ReadCustomAspect(&x, &y)) {
      // The picture keeps the ratio it has.
      int stored = settings().aspect_ratio;
      if (stored < 0 || stored > kCustomCode) stored = 0;
      for (int i = 0; i <= kCustomCode; ++i) SetChecked(kAspectRadios[i], i == stored);
      return;
    }
    settings().custom_aspect_x = x;
    settings().custom_aspect_y = y;
    StreamObject* stream = Stream();
    if (IMediaStreams* streams = stream ? engine()->streams() : nullptr) {
      streams->put_CustomXAspect(stream->Number(), x);
      streams->put_CustomYAspect(stream->Number(), y);
    }
  }
  settings().aspect_ratio = code;
  Enable(kCustomX, code == kCustomCode);
  Enable(kCustomY, code == kCustomCode);
  ApplyAspect(code);
}

void VideoPage::OnCommand(int id, int code) {
  StreamPage::OnCommand(id, code);
  if (code != BN_CLICKED) return;
  for (int i = 0; i <= kCustomCode; ++i) {
    if (id == kAspectRadios[i] && Checked(id)) AspectClicked(i);
  }
}

bool VideoPage::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
  if (message == WM_TIMER && wparam == kFrameTimer) {
    ShowFramesPlayed();
    *result = TRUE;
    return true;
  }
  if (message == WM_HSCROLL && lparam) {
    int id = GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
    if (id != kBrightness && id != kContrast) return false;
    int position = static_cast<int>(SendMessageA(reinterpret_cast<HWND>(lparam), TBM_GETPOS, 0, 0));
    (id == kBrightness ? settings().brightness : settings().contrast) = position;
    StreamObject* stream = Stream();
    if (IMediaStreams* streams = stream ? engine()->streams() : nullptr) {
      if (id == kBrightness) {
        streams->put_Brightness(stream->Number(), position);
      } else {
        streams->put_Contrast(stream->Number(), position);
      }
    }
    *result = TRUE;
    return true;
  }
  return false;
}

bool VideoPage::Validate() {
  double x = 0.0, y = 0.0;
  return !Checked(kCustomAspect) || ReadCustomAspect(&x, &y);
}

bool VideoPage::OnApply() {
  double x = 0.0, y = 0.0;
  if (Checked(kCustomAspect) && ReadCustomAspect(&x, &y)) {
    settings().custom_aspect_x = x;
    settings().custom_aspect_y = y;
    settings().aspect_ratio = kCustomCode;
    StreamObject* stream = Stream();
    if (IMediaStreams* streams = stream ? engine()->streams() : nullptr) {
      streams->put_CustomXAspect(stream->Number(), x);
      streams->put_CustomYAspect(stream->Number(), y);
      ApplyAspect(kCustomCode);
    }
  }
  if (!ApplyStreamAndDecoder(true)) return false;
  ApplyPictureControl();
  return true;
}

void VideoPage::OnStreamEnabledChanged(bool enabled) {
  StreamObject* stream = Stream();
  engine()->Stop();
  engine()->streams()->put_EnableStream(stream->Number(), enabled ? 1 : 0);
  engine()->Play();
  settings().show_active_window = enabled ? 1 : 0;
  if (VideoStream* video = stream->AsVideo()) video->Show(enabled);
}

void VideoPage::ApplyPictureControl() {
  bool on = Checked(kPictureControl);
  if (on == (settings().use_picture_control != 0)) return;
  StreamObject* stream = Stream();
  if (stream && engine()->engine()) {
    engine()->Stop();
    engine()->engine()->UseVideoEffects(on ? 1 : 0);
    engine()->streams()->RebuildStream(stream->Number());
    engine()->Play();
  }
  settings().use_picture_control = on ? 1 : 0;
  EnablePictureControls();
  if (!on) SetText(kFramesPlayed, "0");
}

// Audio stream page ---------------------------------------------------------

AudioPage::AudioPage(PageContext& context)
    : StreamPage(context, kAudioResource, kAudioEnabled, kAudioManual, kAudioDecoders) {}

bool AudioPage::OnApply() { return ApplyStreamAndDecoder(false); }

void AudioPage::OnStreamEnabledChanged(bool enabled) {
  engine()->streams()->put_EnableStream(Number(), enabled ? 1 : 0);
}

}  // namespace preferences
