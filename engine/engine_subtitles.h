// The engine's subtitles: the track of the loaded ".srt" file, the font it
// is drawn with, and the feed the worker's poll runs to hand the due entry
// to every video stream's overlay.
#pragma once

#include <windows.h>

#include <string>

#include "common/com/handles.h"
#include "engine/core/subtitle_track.h"
#include "engine/graph_engine.h"

namespace tessel {

class EngineSubtitles final : public SubtitleFeed {
 public:
  EngineSubtitles() = default;
  ~EngineSubtitles() override;
  EngineSubtitles(const EngineSubtitles&) = delete;
  EngineSubtitles& operator=(const EngineSubtitles&) = delete;

  // S_FALSE for an empty name, E_FAIL for a name that is not ".srt", a file
  // that cannot be read or one that gives no entry.
  HRESULT LoadFile(const std::wstring& name);
  void SetRect(long left, long top, long width, long height);
  void SetFontName(const std::wstring& name);
  void SetFontSize(long height);
  void SetFontBold(long flag);
  void SetFontItalic(long flag);
  void SetTextColour(unsigned long colour);
  void Enable(bool enable);
  // After a seek or an internal rewind.
  void Resync(LONGLONG position) { track_.Resync(position); }

  core::SubtitleTrack& Track() { return track_; }
  HFONT Font();

  void OnPlay() override;
  void OnPoll(GraphEngine& engine, LONGLONG position) override;

 private:
  void RecreateFont();

  core::SubtitleTrack track_;
  zelvo::com::CriticalSection fontLock_;  // the font is made on both threads
  HFONT font_ = nullptr;
};

}  // namespace tessel
