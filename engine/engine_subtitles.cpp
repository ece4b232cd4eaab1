#include "engine/engine_subtitles.h"

#include <vector>

namespace tessel {

using zelvo::com::CritSecLock;

namespace {

constexpr DWORD kReadChunk = 32768;

std::string ToAnsi(const std::wstring& text) {
  if (text.empty()) return std::string();
  int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), &out[0], bytes, nullptr, nullptr);
  return out;
}

}  // namespace

EngineSubtitles::~EngineSubtitles() {
  if (font_) DeleteObject(font_);
}

HRESULT EngineSubtitles::LoadFile(const std::wstring& name) {
  if (name.empty()) return S_FALSE;
  if (!core::HasSrtExtension(name)) return E_FAIL;
  // The whole name as given, however long: no narrowing to a short buffer.
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return E_FAIL;
  core::SrtReader reader;
  std::vector<char> buffer(kReadChunk);
  bool complete = true;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer.data(), kReadChunk, &got, nullptr)) {
      complete = false;
      break;
    }
    if (got == 0) break;
    reader.Feed(buffer.data(), got);
  }
  CloseHandle(file);
  bool loaded = track_.Load(reader.Finish(), complete);
  if (!loaded) return E_FAIL;
  RecreateFont();
  return S_OK;
}

void EngineSubtitles::SetRect(long left, long top, long width, long height) {
  core::SubtitleRect r;
  r.left = left;
  r.top = top;
  r.width = width;
  r.height = height;
  track_.SetRect(r);
}

void EngineSubtitles::SetFontName(const std::wstring& name) {
  track_.SetFontName(ToAnsi(name));
  RecreateFont();
}

void EngineSubtitles::SetFontSize(long height) {
  track_.SetFontSize(height);
  RecreateFont();
}

void EngineSubtitles::SetFontBold(long flag) {
  track_.SetFontBold(flag);
  RecreateFont();
}

void EngineSubtitles::SetFontItalic(long flag) {
  track_.SetFontItalic(flag);
  RecreateFont();
}

void EngineSubtitles::SetTextColour(unsigned long colour) { track_.SetTextColour(uint32_t(colour)); }

void EngineSubtitles::Enable(bool enable) { track_.SetEnabled(enable ? 1 : 0); }

void EngineSubtitles::RecreateFont() {
  core::FontRequest request = core::MakeFontRequest(track_.Font());
  LOGFONTA lf = {};
  lf.lfHeight = request.height;
  lf.lfWeight = request.weight;
  lf.lfItalic = request.italic;
  lf.lfCharSet = request.charSet;
  lf.lfQuality = request.quality;
  lstrcpynA(lf.lfFaceName, request.faceName.c_str(), LF_FACESIZE);
  HFONT made = CreateFontIndirectA(&lf);
  CritSecLock hold(fontLock_);
  if (font_) DeleteObject(font_);
  font_ = made;
}

HFONT EngineSubtitles::Font() {
  CritSecLock hold(fontLock_);
  return font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void EngineSubtitles::OnPlay() { RecreateFont(); }

void EngineSubtitles::OnPoll(GraphEngine& engine, LONGLONG position) {
  std::optional<core::SubtitleCue> cue = track_.TakeIfDue(position);
  if (!cue) return;
  char text[core::kSubtitleTextBuffer];
  size_t length = core::JoinSubtitleLines(cue->entry, text, sizeof text);
  // Taken once, shown in every picture of the file.
  CritSecLock hold(fontLock_);
  HFONT font = font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (int i = 0; i < engine.Count(); ++i) {
    StreamBranch* branch = engine.Branch(i);
    if (!branch || branch->Kind() != StreamKind::kVideo) continue;
    IVideoOverlay* overlay = static_cast<VideoBranch*>(branch)->Overlay();
    if (!overlay) continue;
    overlay->SetEnableOverlay(1);
    overlay->SetText(cue->rect.left, cue->rect.top, cue->rect.width, cue->rect.height, cue->entry.start,
                     cue->entry.end, text, int(length), COLORREF(cue->colour), font);
  }
}

}  // namespace tessel
