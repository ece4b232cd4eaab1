#include "player/core/playlist.h"

#include <algorithm>
#include <utility>

#include "player/core/path_names.h"

int32_t ShuffleRandom::Draw() {
  state_ = state_ * 214013u + 2531011u;
  return static_cast<int32_t>((state_ >> 16) & 0x7FFF);
}

const std::wstring* Playlist::Current() const {
  return IsInside(index_) ? &entries_[static_cast<size_t>(index_)] : nullptr;
}

void Playlist::Append(const std::wstring& name) {
  entries_.push_back(name);
  Changed();
}

std::optional<int32_t> Playlist::AppendSelection(const std::vector<std::wstring>& dialog_order) {
  if (dialog_order.empty()) return std::nullopt;
  for (auto it = dialog_order.rbegin(); it != dialog_order.rend(); ++it) entries_.push_back(*it);
  Changed();
  return Count() - 1;
}

bool Playlist::Remove(int32_t index) {
  if (!IsInside(index)) return false;
  entries_.erase(entries_.begin() + index);
  Changed();
  return true;
}

bool Playlist::DeleteCurrent() {
  if (!Remove(index_)) return false;
  index_ = std::max(index_ - 1, 0);
  return true;
}

void Playlist::Clear() {
  entries_.clear();
  index_ = 0;
  Changed();
}

void Playlist::Replace(std::vector<std::wstring> entries) {
  entries_ = std::move(entries);
  index_ = 0;
  Changed();
}

NextStep Playlist::Next(bool repeat, bool shuffle) {
  const int32_t count = Count();
  if (count == 0) return {repeat ? NextAction::kReplayCurrent : NextAction::kFail, 0};
  if (shuffle) return {NextAction::kPlay, random_.Draw() % count};
  // An index before the list (a stray IDM_PLAYLIST_SETITEM) starts it.
  const int32_t next = index_ < 0 ? 0 : (index_ >= count ? count : index_ + 1);
  if (next < count) return {NextAction::kPlay, next};
  if (!repeat) return {NextAction::kStop, 0};
  return {NextAction::kPlay, 0};
}

std::optional<int32_t> Playlist::Previous() const {
  if (index_ <= 0 || entries_.empty()) return std::nullopt;
  // Past the end (after deletions), the last entry is the previous one.
  return std::min(index_ - 1, Count() - 1);
}

NextStep Playlist::NextAfterFailedOpen(bool repeat, bool shuffle) {
  ++failed_in_a_row_;
  if (entries_.empty() || failed_in_a_row_ >= Count()) return {NextAction::kStop, 0};
  return Next(repeat, shuffle);
}

namespace {

template <class Char>
std::vector<std::basic_string<Char>> Selection(const Char* buffer, size_t size) {
  std::vector<std::basic_string<Char>> parts;
  if (!buffer) return parts;
  size_t pos = 0;
  while (pos < size) {
    size_t end = pos;
    while (end < size && buffer[end] != Char(0)) ++end;
    if (end == pos) break;  // the empty string that ends the list
    parts.emplace_back(buffer + pos, end - pos);
    pos = end + 1;
  }
  if (parts.size() <= 1) return parts;
  std::vector<std::basic_string<Char>> names;
  for (size_t i = 1; i < parts.size(); ++i) names.push_back(JoinPath(parts[0], parts[i]));
  return names;
}

}  // namespace

std::vector<std::wstring> SelectedFiles(const wchar_t* buffer, size_t size) { return Selection(buffer, size); }
std::vector<std::string> SelectedFiles(const char* buffer, size_t size) { return Selection(buffer, size); }
