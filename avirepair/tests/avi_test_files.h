// AVI files for the repair tests: built in memory chunk by chunk, damaged
// on purpose, and parsed back to check what a repair wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace avirepair::test {

using Bytes = std::vector<uint8_t>;

void PutLe32(Bytes& out, uint32_t v);
uint32_t GetLe32(const uint8_t* p);
Bytes Chunk(const std::string& id, const Bytes& data);  // id, size, data, pad byte
Bytes ListHeader(const std::string& type, uint32_t size);

// Frame payloads: a 4-byte key word, the frame number (little-endian), filler.
Bytes Mpeg4Frame(uint32_t frame, bool key, size_t size = 400);   // 00 00 01 B0 / B6
Bytes FlagBitFrame(uint32_t frame, bool key, size_t size = 400); // first byte bit 0x40 clear on key frames
Bytes WordFrame(uint32_t frame, bool key, size_t size = 400);    // 00 00 01 00 on key frames
Bytes WordMarker(size_t size = 400);                             // 14 00 01 00: picks the key-word method
Bytes JpegFrame(uint32_t frame, size_t size = 400);              // FF D8 FF E0
Bytes AudioData(uint32_t block, size_t size = 200);
Bytes RandomBytes(size_t size, uint32_t seed);  // never holds "dc"/"db" ids or "idx1"
uint32_t FrameNumber(const Bytes& data);

// One AVI 1.0 file: RIFF AVI, header list with a video and an audio stream,
// the movie list, optionally "idx1".
class AviBuilder {
 public:
  // A chunk that the input's own index lists.
  AviBuilder& Add(const std::string& id, const Bytes& data);
  // Bytes placed in the movie data as they are (lists, JUNK, damage).
  AviBuilder& Raw(const Bytes& bytes);
  AviBuilder& WithIndex(bool on) { index_ = on; return *this; }
  AviBuilder& WithOpenDmlIndex(bool on) { odml_ = on; return *this; }
  AviBuilder& WithHeaderJunk(uint32_t size) { headerJunk_ = size; return *this; }
  // The audio stream's fixed sample size (0: every chunk counts as one).
  AviBuilder& WithAudioSampleSize(uint32_t size) { audioSampleSize_ = size; return *this; }
  Bytes Build() const;
  size_t MovieBytes() const { return movie_.size(); }

 private:
  struct Entry {
    std::string id;
    uint32_t flags, offset, size;
  };
  Bytes movie_;
  std::vector<Entry> entries_;
  bool index_ = true;
  bool odml_ = false;
  uint32_t headerJunk_ = 0;
  uint32_t audioSampleSize_ = 0;
};

struct ParsedChunk {
  std::string id;
  uint32_t size = 0;
  uint64_t offset = 0;  // counted from the "movi" bytes
  Bytes data;
};

struct IndexEntry {
  std::string id;
  uint32_t flags = 0, offset = 0, size = 0;
};

struct StreamHeader {
  std::string type;  // "vids", "auds"
  uint32_t length = 0, sampleSize = 0;
};

struct ParsedAvi {
  std::string error;  // empty when the file parsed
  uint32_t riffSize = 0;
  uint32_t mainFlags = 0, totalFrames = 0;  // from "avih"
  std::vector<StreamHeader> streams;        // from each stream list's "strh"
  bool hasDmlh = false;
  uint32_t grandFrames = 0;                 // from "dmlh"

  uint64_t fileSize = 0;
  uint64_t moviStart = 0;
  uint32_t moviSize = 0;
  std::vector<std::string> headerIds;  // ids inside the header list and its stream lists
  std::vector<ParsedChunk> chunks;     // movie data, record lists entered
  bool hasIndex = false;
  std::vector<IndexEntry> index;
};

ParsedAvi ParseAvi(const Bytes& file);

// "" when the file is a well-formed repaired AVI: sizes match, and every
// index entry names the chunk at its offset with its size, flagged by the
// repair's rules. Otherwise what is wrong.
std::string CheckRepaired(const ParsedAvi& avi);

// "" when the headers count what the movie data holds: each stream's
// length in chunks (or in samples of its fixed size), the main header's and
// "dmlh"'s frames those of the longest video stream, and the index flag set.
std::string CheckHeaderCounts(const ParsedAvi& avi);

// Frame numbers of the video chunks, in file order.
std::vector<uint32_t> VideoFrames(const ParsedAvi& avi);

}  // namespace avirepair::test
