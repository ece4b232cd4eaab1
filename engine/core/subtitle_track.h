// The engine's subtitle track: the entries of the loaded ".srt" file, which
// of them is current, and the text style the overlay is given. The caller's
// thread loads and styles it while the worker thread polls it, so every
// member takes the track's lock, and entries leave it only as copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/srt_reader.h"

namespace tessel::core {

// The overlay text buffer: at most 4095 bytes of text and a terminating zero.
constexpr size_t kSubtitleTextBuffer = 4096;
// A face name keeps this many bytes (LOGFONT's 32 with the terminating zero).
constexpr size_t kMaxFaceName = 31;
constexpr uint32_t kDefaultSubtitleColour = 0xFFFFFF;  // COLORREF white

// Writes the entry's lines, each followed by one blank, into buffer and
// terminates them with a zero. Text beyond capacity - 1 bytes is cut.
// Returns the length without the zero (0 when capacity is 0).
size_t JoinSubtitleLines(const SubtitleEntry& entry, char* buffer, size_t capacity);

// In video-frame pixels, as the overlay interprets them.
struct SubtitleRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
};
bool operator==(const SubtitleRect& a, const SubtitleRect& b);

// The stored font settings; the flags are kept as they were given.
struct SubtitleFont {
  std::string faceName;  // at most kMaxFaceName bytes
  int32_t height = 0;
  int32_t bold = 0;
  int32_t italic = 0;
};

// The LOGFONT fields the font is created from (the others are 0).
struct FontRequest {
  int32_t height = 0;
  int32_t weight = 400;     // 700 when bold
  uint8_t italic = 0;       // the low byte of the italic flag
  uint8_t charSet = 1;      // DEFAULT_CHARSET
  uint8_t quality = 4;      // ANTIALIASED_QUALITY
  std::string faceName;
};
FontRequest MakeFontRequest(const SubtitleFont& font);

enum class SubtitleDue : int32_t {
  kNotDue = 0,    // nothing current, or the current entry is not on yet
  kDue = 1,       // the current entry is to be shown now
  kDisabled = 2,  // subtitles are switched off
};

// The current entry taken for display, with the style at that moment.
struct SubtitleCue {
  SubtitleEntry entry;
  SubtitleRect rect;
  uint32_t colour = kDefaultSubtitleColour;
};

// Positions are media times in 100-ns units. The current entry is the first
// (in file order) whose end is not before the position; an entry shows
// while start < position <= end.
class SubtitleTrack {
 public:
  SubtitleTrack() = default;
  SubtitleTrack(const SubtitleTrack&) = delete;
  SubtitleTrack& operator=(const SubtitleTrack&) = delete;

  // Replaces every entry. After a complete read the first entry becomes
  // current; after a read that failed part-way the entries are kept but
  // none is current until the next Resync. True when the read was complete
  // and gave at least one entry (the caller reports anything else as a
  // failure).
  bool Load(std::vector<SubtitleEntry> entries, bool readComplete = true);
  size_t EntryCount() const;

  // Makes current the first entry whose end is not before the position
  // (none after the last). Used after every seek and rewind.
  void Resync(int64_t position);

  // Whether the current entry is due at the position. Entries that ended
  // before it are passed over first. A position earlier than the one asked
  // about before (a seek back, a rewind, a repeat) re-synchronises, so
  // entries show again even when nobody called Resync.
  SubtitleDue Due(int64_t position);

  // A copy of the current entry; the following one becomes current.
  std::optional<SubtitleEntry> Take();

  // Due and, when due, Take, under one hold of the lock, with the rectangle
  // and colour of the same moment: what the worker's poll needs.
  std::optional<SubtitleCue> TakeIfDue(int64_t position);

  // A copy of the current entry without moving on.
  std::optional<SubtitleEntry> Current() const;

  void SetEnabled(int32_t flag);
  bool Enabled() const;
  void SetRect(const SubtitleRect& rect);
  SubtitleRect Rect() const;
  void SetTextColour(uint32_t colour);
  uint32_t TextColour() const;

  // The name is kept up to its first zero byte and at most kMaxFaceName
  // bytes. The caller recreates its font after each of these four.
  void SetFontName(const std::string& name);
  void SetFontSize(int32_t height);
  void SetFontBold(int32_t flag);
  void SetFontItalic(int32_t flag);
  SubtitleFont Font() const;

 private:
  static constexpr size_t kNone = static_cast<size_t>(-1);

  void ResyncHeld(int64_t position);
  SubtitleDue DueHeld(int64_t position);
  std::optional<SubtitleEntry> TakeHeld();

  mutable std::mutex lock_;
  std::vector<SubtitleEntry> entries_;
  size_t current_ = kNone;
  bool havePosition_ = false;  // lastPosition_ holds the last position asked about
  int64_t lastPosition_ = 0;
  bool enabled_ = false;
  SubtitleRect rect_;
  SubtitleFont font_;
  uint32_t colour_ = kDefaultSubtitleColour;
};

}  // namespace tessel::core
