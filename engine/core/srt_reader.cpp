#include "engine/core/srt_reader.h"

#include <algorithm>

namespace tessel::core {

namespace {

constexpr char kItalicOpen[] = "<i>";
constexpr char kItalicClose[] = "</i>";

// The value of the characters [first, first + count) of the line: an
// optional "-" and then decimal digits, as far as they go.
int64_t FieldValue(const char* line, size_t size, size_t first, size_t count) {
  if (first >= size) return 0;
  const size_t last = std::min(size, first + count);
  size_t i = first;
  bool negative = false;
  if (line[i] == '-') {
    negative = true;
    ++i;
  }
  int64_t value = 0;
  for (; i < last && line[i] >= '0' && line[i] <= '9'; ++i) value = value * 10 + (line[i] - '0');
  return negative ? -value : value;
}

int64_t TimeFrom(const char* line, size_t size, size_t column) {
  const int64_t hours = static_cast<uint8_t>(FieldValue(line, size, column, 2));
  const int64_t minutes = static_cast<uint8_t>(FieldValue(line, size, column + 3, 2));
  const int64_t seconds = static_cast<uint8_t>(FieldValue(line, size, column + 6, 2));
  const int64_t millis = static_cast<uint16_t>(FieldValue(line, size, column + 9, 3));
  return (((hours * 60 + minutes) * 60 + seconds) * 1000 + millis) * 10000;
}

bool IsPrefixOf(const std::string& part, const char* mark) {
  return part.size() < std::char_traits<char>::length(mark) && std::equal(part.begin(), part.end(), mark);
}

template <typename Char>
bool HasSrtExtensionOf(const std::basic_string<Char>& name) {
  const size_t dot = name.rfind(Char('.'));
  if (dot == std::basic_string<Char>::npos || name.size() - dot != 4) return false;
  const char want[] = "srt";
  for (size_t i = 0; i < 3; ++i) {
    Char c = name[dot + 1 + i];
    if (c >= Char('A') && c <= Char('Z')) c = static_cast<Char>(c - Char('A') + Char('a'));
    if (c != Char(want[i])) return false;
  }
  return true;
}

}  // namespace

bool operator==(const SubtitleEntry& a, const SubtitleEntry& b) {
  return a.start == b.start && a.end == b.end && a.lines == b.lines && a.italic == b.italic;
}

SubtitleTimes ParseTimingLine(const char* line, size_t size) {
  return {TimeFrom(line, size, 0), TimeFrom(line, size, 17)};
}

void SrtReader::Feed(const char* data, size_t size) {
  for (size_t i = 0; i < size; ++i) AddByte(data[i]);
}

std::vector<SubtitleEntry> SrtReader::Finish() {
  if (lineHasContent_ || !line_.empty() || !pendingMark_.empty()) EndLine();
  EndBlock();
  std::vector<SubtitleEntry> out;
  out.swap(entries_);
  *this = SrtReader();
  return out;
}

void SrtReader::AddByte(char c) {
  if (c == '\n') {
    EndLine();
    return;
  }
  if (c == '\r') return;
  if (c != ' ' && c != '\t') lineHasContent_ = true;
  switch (part_) {
    case Part::kBetweenBlocks:
      break;
    case Part::kTimingLine:
      if (line_.size() < kTimingLineColumns) line_.push_back(c);
      break;
    case Part::kText:
      AddTextByte(c);
      break;
  }
}

// The marks are matched as the bytes arrive, so one may be split between
// two pieces of the file; a byte that cannot begin a mark is kept at once.
void SrtReader::AddTextByte(char c) {
  pendingMark_.push_back(c);
  while (!pendingMark_.empty()) {
    if (pendingMark_ == kItalicOpen) {
      pendingMark_.clear();
    } else if (pendingMark_ == kItalicClose) {
      italicState_ = true;
      pendingMark_.clear();
    } else if (IsPrefixOf(pendingMark_, kItalicOpen) || IsPrefixOf(pendingMark_, kItalicClose)) {
      return;
    } else {
      KeepTextByte(pendingMark_.front());
      pendingMark_.erase(0, 1);
    }
  }
}

void SrtReader::KeepTextByte(char c) {
  if (line_.size() < kMaxSubtitleLine) line_.push_back(c);
}

void SrtReader::EndLine() {
  const bool blank = !lineHasContent_;
  lineHasContent_ = false;
  switch (part_) {
    case Part::kBetweenBlocks:
      if (!blank) part_ = Part::kTimingLine;
      break;
    case Part::kTimingLine:
      if (blank) {
        EndBlock();
      } else {
        const SubtitleTimes times = ParseTimingLine(line_.data(), line_.size());
        entry_.start = times.start;
        entry_.end = times.end;
        part_ = Part::kText;
      }
      break;
    case Part::kText:
      if (blank) {
        pendingMark_.clear();
        EndBlock();
      } else {
        for (char c : pendingMark_) KeepTextByte(c);
        pendingMark_.clear();
        if (entry_.lines.size() < kMaxSubtitleLines) entry_.lines.push_back(line_);
        entry_.italic = italicState_;
        italicState_ = false;
      }
      break;
  }
  line_.clear();
}

void SrtReader::EndBlock() {
  if (part_ != Part::kBetweenBlocks) entries_.push_back(std::move(entry_));
  entry_ = SubtitleEntry();
  part_ = Part::kBetweenBlocks;
  line_.clear();
  pendingMark_.clear();
  italicState_ = false;
}

std::vector<SubtitleEntry> ParseSrt(const char* data, size_t size) {
  SrtReader reader;
  reader.Feed(data, size);
  return reader.Finish();
}

bool HasSrtExtension(const std::string& name) { return HasSrtExtensionOf(name); }
bool HasSrtExtension(const std::wstring& name) { return HasSrtExtensionOf(name); }

}  // namespace tessel::core
