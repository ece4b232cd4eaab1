// Reads arbitrary bytes as a subtitle file, whole and in pieces whose sizes
// the first byte chooses: both must give the same entries, every line and
// every joined text must keep to its limit, and polling a track of the
// entries must only hand out entries that are due.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/core/srt_reader.h"
#include "engine/core/subtitle_track.h"

using namespace tessel::core;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  if (size == 0) return 0;
  const size_t piece = 1 + bytes[0] % 64;
  const char* data = reinterpret_cast<const char*>(bytes + 1);
  const size_t length = size - 1;

  const std::vector<SubtitleEntry> whole = ParseSrt(data, length);
  SrtReader reader;
  for (size_t i = 0; i < length; i += piece) reader.Feed(data + i, length - i < piece ? length - i : piece);
  if (reader.Finish() != whole) __builtin_trap();

  char text[kSubtitleTextBuffer + 1];
  for (const SubtitleEntry& e : whole) {
    if (e.lines.size() > kMaxSubtitleLines) __builtin_trap();
    for (const std::string& line : e.lines)
      if (line.size() > kMaxSubtitleLine || line.find('\r') != std::string::npos ||
          line.find('\n') != std::string::npos)
        __builtin_trap();
    text[kSubtitleTextBuffer] = 0x5A;
    const size_t n = JoinSubtitleLines(e, text, kSubtitleTextBuffer);
    if (n >= kSubtitleTextBuffer || text[n] != '\0' || text[kSubtitleTextBuffer] != 0x5A) __builtin_trap();
  }

  SubtitleTrack track;
  track.Load(whole);
  track.SetEnabled(1);
  // Positions from the entries' own times, forwards and then from the start again.
  for (int round = 0; round < 2; ++round)
    for (const SubtitleEntry& e : whole)
      for (const int64_t t : {e.start, e.start + 1, e.end}) {
        if (const auto cue = track.TakeIfDue(t))
          if (!(cue->entry.start < t && t <= cue->entry.end)) __builtin_trap();
      }
  return 0;
}
