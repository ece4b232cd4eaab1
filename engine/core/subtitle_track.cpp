#include "engine/core/subtitle_track.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tessel::core {

using Hold = std::lock_guard<std::mutex>;

size_t JoinSubtitleLines(const SubtitleEntry& entry, char* buffer, size_t capacity) {
  if (capacity == 0) return 0;
  const size_t room = capacity - 1;
  size_t length = 0;
  for (const std::string& line : entry.lines) {
    const size_t n = std::min(line.size(), room - length);
    std::memcpy(buffer + length, line.data(), n);
    length += n;
    if (length == room) break;
    buffer[length++] = ' ';
  }
  buffer[length] = '\0';
  return length;
}

bool operator==(const SubtitleRect& a, const SubtitleRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

FontRequest MakeFontRequest(const SubtitleFont& font) {
  FontRequest request;
  request.height = font.height;
  request.weight = font.bold ? 700 : 400;
  request.italic = static_cast<uint8_t>(font.italic & 0xFF);
  request.faceName = font.faceName;
  return request;
}

bool SubtitleTrack::Load(std::vector<SubtitleEntry> entries, bool readComplete) {
  Hold hold(lock_);
  entries_ = std::move(entries);
  current_ = (readComplete && !entries_.empty()) ? 0 : kNone;
  havePosition_ = false;
  return current_ != kNone;
}

size_t SubtitleTrack::EntryCount() const {
  Hold hold(lock_);
  return entries_.size();
}

void SubtitleTrack::Resync(int64_t position) {
  Hold hold(lock_);
  ResyncHeld(position);
}

void SubtitleTrack::ResyncHeld(int64_t position) {
  current_ = kNone;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].end >= position) {
      current_ = i;
      break;
    }
  }
  havePosition_ = true;
  lastPosition_ = position;
}

SubtitleDue SubtitleTrack::Due(int64_t position) {
  Hold hold(lock_);
  return DueHeld(position);
}

SubtitleDue SubtitleTrack::DueHeld(int64_t position) {
  if (havePosition_ && position < lastPosition_) ResyncHeld(position);
  havePosition_ = true;
  lastPosition_ = position;
  if (current_ == kNone) return SubtitleDue::kNotDue;
  if (!enabled_) return SubtitleDue::kDisabled;
  while (entries_[current_].end < position) {
    if (++current_ == entries_.size()) {
      current_ = kNone;
      return SubtitleDue::kNotDue;
    }
  }
  const SubtitleEntry& entry = entries_[current_];
  return entry.start < position ? SubtitleDue::kDue : SubtitleDue::kNotDue;
}

std::optional<SubtitleEntry> SubtitleTrack::Take() {
  Hold hold(lock_);
  return TakeHeld();
}

std::optional<SubtitleEntry> SubtitleTrack::TakeHeld() {
  if (current_ == kNone) return std::nullopt;
  std::optional<SubtitleEntry> taken = entries_[current_];
  if (++current_ == entries_.size()) current_ = kNone;
  return taken;
}

std::optional<SubtitleCue> SubtitleTrack::TakeIfDue(int64_t position) {
  Hold hold(lock_);
  if (DueHeld(position) != SubtitleDue::kDue) return std::nullopt;
  std::optional<SubtitleCue> cue(std::in_place);
  cue->entry = *TakeHeld();
  cue->rect = rect_;
  cue->colour = colour_;
  return cue;
}

std::optional<SubtitleEntry> SubtitleTrack::Current() const {
  Hold hold(lock_);
  if (current_ == kNone) return std::nullopt;
  return entries_[current_];
}

void SubtitleTrack::SetEnabled(int32_t flag) {
  Hold hold(lock_);
  enabled_ = flag != 0;
}

bool SubtitleTrack::Enabled() const {
  Hold hold(lock_);
  return enabled_;
}

void SubtitleTrack::SetRect(const SubtitleRect& rect) {
  Hold hold(lock_);
  rect_ = rect;
}

SubtitleRect SubtitleTrack::Rect() const {
  Hold hold(lock_);
  return rect_;
}

void SubtitleTrack::SetTextColour(uint32_t colour) {
  Hold hold(lock_);
  colour_ = colour;
}

uint32_t SubtitleTrack::TextColour() const {
  Hold hold(lock_);
  return colour_;
}

void SubtitleTrack::SetFontName(const std::string& name) {
  const size_t zero = name.find('\0');
  const size_t length = std::min(zero == std::string::npos ? name.size() : zero, kMaxFaceName);
  Hold hold(lock_);
  font_.faceName.assign(name, 0, length);
}

void SubtitleTrack::SetFontSize(int32_t height) {
  Hold hold(lock_);
  font_.height = height;
}

void SubtitleTrack::SetFontBold(int32_t flag) {
  Hold hold(lock_);
  font_.bold = flag;
}

void SubtitleTrack::SetFontItalic(int32_t flag) {
  Hold hold(lock_);
  font_.italic = flag;
}

SubtitleFont SubtitleTrack::Font() const {
  Hold hold(lock_);
  return font_;
}

}  // namespace tessel::core
