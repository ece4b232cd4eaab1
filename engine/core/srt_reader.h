// The ".srt" subtitle reader: blocks separated by blank lines, each made of
// a number line, a timing line read at fixed columns
// ("HH:MM:SS,mmm --> HH:MM:SS,mmm") and text lines with "<i>" / "</i>"
// marks. It works on bytes handed to it in pieces of any size, so the
// caller reads the file in chunks; nothing here opens files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel::core {

// A text line keeps at most this many bytes; the rest of the line is dropped.
constexpr size_t kMaxSubtitleLine = 99;
// Lines of one entry beyond this many are dropped: each line takes at least
// one byte of the joined overlay text, which holds 4095.
constexpr size_t kMaxSubtitleLines = 4095;
// Columns of the timing line that carry values; the rest is ignored.
constexpr size_t kTimingLineColumns = 29;

struct SubtitleEntry {
  int64_t start = 0;  // 100-ns units
  int64_t end = 0;
  std::vector<std::string> lines;  // without line ends or italics marks
  bool italic = false;             // the last line carried "</i>"
};

bool operator==(const SubtitleEntry& a, const SubtitleEntry& b);
inline bool operator!=(const SubtitleEntry& a, const SubtitleEntry& b) { return !(a == b); }

// Milliseconds at the fixed columns of a timing line, each value converted
// by itself (an optional "-", then digits; anything else there gives 0) and
// held as the unsigned 8-bit (hours, minutes, seconds) or 16-bit
// (milliseconds) value the file format uses. Columns past the end of the
// line read as empty.
struct SubtitleTimes {
  int64_t start = 0;
  int64_t end = 0;
};
SubtitleTimes ParseTimingLine(const char* line, size_t size);

// Reads a file's bytes in pieces. Line ends are LF or CR LF (every CR is
// dropped); a line of nothing but blanks and tabs ends a block, and several
// of them in a row are one separator. The last block needs no blank line
// after it. Blocks may be of any length: only the kept part of each line is
// held, never a whole block.
class SrtReader {
 public:
  void Feed(const char* data, size_t size);
  // Ends the block being read, if any, and hands out every entry in file
  // order. The reader is then empty and can read another file.
  std::vector<SubtitleEntry> Finish();

 private:
  // Between blocks the next line with content is an entry number, which
  // is not used; the timing line and the text lines follow it.
  enum class Part { kBetweenBlocks, kTimingLine, kText };

  void AddByte(char c);
  void AddTextByte(char c);
  void KeepTextByte(char c);
  void EndLine();
  void EndBlock();

  std::vector<SubtitleEntry> entries_;
  SubtitleEntry entry_;
  Part part_ = Part::kBetweenBlocks;
  bool lineHasContent_ = false;  // a byte other than blank, tab or CR
  std::string line_;             // the kept bytes of the line being read
  std::string pendingMark_;      // a possible "<i>" or "</i>" not yet complete
  bool italicState_ = false;
};

// Every entry of a whole file held in memory.
std::vector<SubtitleEntry> ParseSrt(const char* data, size_t size);

// True when the text after the last "." of the name is "srt" in any letter
// case ("x.srt", "x.SRT"); false for a name without a ".".
bool HasSrtExtension(const std::string& name);
bool HasSrtExtension(const std::wstring& name);

}  // namespace tessel::core
