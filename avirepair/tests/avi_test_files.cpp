#include "avirepair/tests/avi_test_files.h"

#include <algorithm>
#include <cstring>

namespace avirepair::test {

void PutLe32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

uint32_t GetLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

static void PutId(Bytes& out, const std::string& id) {
  for (size_t i = 0; i < 4; ++i) out.push_back(uint8_t(i < id.size() ? id[i] : ' '));
}

Bytes Chunk(const std::string& id, const Bytes& data) {
  Bytes out;
  PutId(out, id);
  PutLe32(out, uint32_t(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  if (data.size() & 1) out.push_back(0);
  return out;
}

Bytes ListHeader(const std::string& type, uint32_t size) {
  Bytes out;
  PutId(out, "LIST");
  PutLe32(out, size);
  PutId(out, type);
  return out;
}

static Bytes Frame(const uint8_t word[4], uint32_t frame, size_t size) {
  Bytes out(word, word + 4);
  PutLe32(out, frame);
  for (size_t i = 8; i < size; ++i) out.push_back(uint8_t(0x11 + (frame + i) % 7));  // no 'd', 'c', 'b', 'i'
  out.resize(size);
  return out;
}

Bytes Mpeg4Frame(uint32_t frame, bool key, size_t size) {
  const uint8_t word[4] = {0, 0, 1, uint8_t(key ? 0xB0 : 0xB6)};
  return Frame(word, frame, size);
}

Bytes FlagBitFrame(uint32_t frame, bool key, size_t size) {
  const uint8_t word[4] = {uint8_t(key ? 0x05 : 0x45), 0x12, 0x34, 0x56};
  return Frame(word, frame, size);
}

Bytes WordFrame(uint32_t frame, bool key, size_t size) {
  const uint8_t word[4] = {0, 0, 1, uint8_t(key ? 0x00 : 0x01)};
  return Frame(word, frame, size);
}

Bytes WordMarker(size_t size) {
  const uint8_t word[4] = {0x14, 0, 1, 0};
  return Frame(word, 0xFFFFFFFF, size);
}

Bytes JpegFrame(uint32_t frame, size_t size) {
  const uint8_t word[4] = {0xFF, 0xD8, 0xFF, 0xE0};
  return Frame(word, frame, size);
}

Bytes AudioData(uint32_t block, size_t size) {
  const uint8_t word[4] = {0x7F, 0x7E, 0x7D, 0x7C};
  return Frame(word, block, size);
}

Bytes RandomBytes(size_t size, uint32_t seed) {
  Bytes out(size);
  uint32_t x = seed * 2654435761u + 1;
  for (auto& b : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = uint8_t(x >> 24);
    // Keep real chunk ids out of the damage, so tests know where copying resumes.
    if (b == 'd' || b == 'i' || b == 'w') b = 'Q';
  }
  return out;
}

uint32_t FrameNumber(const Bytes& data) { return data.size() >= 8 ? GetLe32(data.data() + 4) : 0xFFFFFFFF; }

AviBuilder& AviBuilder::Add(const std::string& id, const Bytes& data) {
  bool audio = id[2] == 'w';
  bool key = audio;
  if (!audio && data.size() >= 4) {
    if (std::memcmp(data.data(), "\0\0\1", 3) == 0)
      key = data[3] == 0xB0 || data[3] == 0;
    else
      key = data[0] == 0xFF || (data[0] & 0x40) == 0;
  }
  entries_.push_back({id, key ? 0x10u : 0u, uint32_t(movie_.size() + 4), uint32_t(data.size())});
  Bytes chunk = Chunk(id, data);
  movie_.insert(movie_.end(), chunk.begin(), chunk.end());
  return *this;
}

AviBuilder& AviBuilder::Raw(const Bytes& bytes) {
  movie_.insert(movie_.end(), bytes.begin(), bytes.end());
  return *this;
}

static void SetLe32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

Bytes AviBuilder::Build() const {
  // Stream 0 is the video, stream 1 the audio; the headers count the chunks
  // that Add listed, as a muxer would.
  uint32_t chunks[2] = {0, 0}, bytes[2] = {0, 0};
  for (const Entry& e : entries_) {
    int stream = e.id[1] - '0';
    if (e.id[0] == '0' && stream >= 0 && stream < 2) ++chunks[stream], bytes[stream] += e.size;
  }
  Bytes avih(56, 0);
  avih[12] = 0x10;  // AVIF_HASINDEX
  SetLe32(avih, 16, chunks[0]);
  Bytes strhVideo(56, 0), strhAudio(56, 0);
  std::memcpy(strhVideo.data(), "vidsXVID", 8);
  std::memcpy(strhAudio.data(), "auds\0\0\0\0", 8);
  SetLe32(strhVideo, 32, chunks[0]);
  SetLe32(strhAudio, 32, audioSampleSize_ ? bytes[1] / audioSampleSize_ : chunks[1]);
  SetLe32(strhAudio, 44, audioSampleSize_);
  Bytes strfVideo(40, 0), strfAudio(18, 0);
  Bytes videoList, audioList, headerList;
  {
    Bytes body;
    PutId(body, "strl");
    for (auto* part : {&strhVideo}) {
      Bytes c = Chunk("strh", *part);
      body.insert(body.end(), c.begin(), c.end());
    }
    Bytes c = Chunk("strf", strfVideo);
    body.insert(body.end(), c.begin(), c.end());
    if (odml_) {
      Bytes indx(24 + 16, 0);
      c = Chunk("indx", indx);
      body.insert(body.end(), c.begin(), c.end());
    }
    videoList = Chunk("LIST", body);
  }
  {
    Bytes body;
    PutId(body, "strl");
    Bytes c = Chunk("strh", strhAudio);
    body.insert(body.end(), c.begin(), c.end());
    c = Chunk("strf", strfAudio);
    body.insert(body.end(), c.begin(), c.end());
    audioList = Chunk("LIST", body);
  }
  {
    Bytes body;
    PutId(body, "hdrl");
    Bytes c = Chunk("avih", avih);
    body.insert(body.end(), c.begin(), c.end());
    body.insert(body.end(), videoList.begin(), videoList.end());
    body.insert(body.end(), audioList.begin(), audioList.end());
    if (odml_) {
      Bytes dmlh(248, 0);
      SetLe32(dmlh, 0, chunks[0]);
      Bytes odml;
      PutId(odml, "odml");
      c = Chunk("dmlh", dmlh);
      odml.insert(odml.end(), c.begin(), c.end());
      c = Chunk("LIST", odml);
      body.insert(body.end(), c.begin(), c.end());
    }
    headerList = Chunk("LIST", body);
  }
  Bytes file;
  PutId(file, "RIFF");
  PutLe32(file, 0);
  PutId(file, "AVI ");
  file.insert(file.end(), headerList.begin(), headerList.end());
  if (headerJunk_) {
    Bytes c = Chunk("JUNK", Bytes(headerJunk_, 0));
    file.insert(file.end(), c.begin(), c.end());
  }
  Bytes movi = ListHeader("movi", uint32_t(movie_.size() + 4));
  file.insert(file.end(), movi.begin(), movi.end());
  file.insert(file.end(), movie_.begin(), movie_.end());
  if (file.size() & 1) file.push_back(0);
  if (index_) {
    PutId(file, "idx1");
    PutLe32(file, uint32_t(entries_.size() * 16));
    for (const Entry& e : entries_) {
      PutId(file, e.id);
      PutLe32(file, e.flags);
      PutLe32(file, e.offset);
      PutLe32(file, e.size);
    }
  }
  uint32_t riff = uint32_t(file.size() - 8);
  std::memcpy(file.data() + 4, &riff, 4);  // little-endian hosts and targets only
  return file;
}

namespace {

std::string Id(const uint8_t* p) { return std::string(reinterpret_cast<const char*>(p), 4); }

// The chunks inside the header list and its lists: their ids, and the
// counts that the main, stream and OpenDML headers give.
void ParseHeader(const Bytes& f, uint64_t pos, uint64_t end, ParsedAvi& avi, int depth) {
  while (pos + 8 <= end) {
    std::string id = Id(&f[pos]);
    uint32_t size = GetLe32(&f[pos + 4]);
    const uint8_t* d = &f[pos + 8];
    bool whole = pos + 8 + size <= end;
    avi.headerIds.push_back(id);
    if (id == "LIST" && depth < 2 && pos + 12 <= end) {
      avi.headerIds.back() += ":" + Id(d);
      ParseHeader(f, pos + 12, std::min<uint64_t>(end, pos + 8 + size), avi, depth + 1);
    } else if (id == "avih" && whole && size >= 20) {
      avi.mainFlags = GetLe32(d + 12);
      avi.totalFrames = GetLe32(d + 16);
    } else if (id == "strh" && whole && size >= 48) {
      avi.streams.push_back({Id(d), GetLe32(d + 32), GetLe32(d + 44)});
    } else if (id == "dmlh" && whole && size >= 4) {
      avi.hasDmlh = true;
      avi.grandFrames = GetLe32(d);
    }
    pos += 8 + uint64_t(size) + (size & 1);
  }
}

}  // namespace

ParsedAvi ParseAvi(const Bytes& f) {
  ParsedAvi avi;
  avi.fileSize = f.size();
  if (f.size() < 12 || Id(&f[0]) != "RIFF" || Id(&f[8]) != "AVI ") {
    avi.error = "no RIFF AVI header";
    return avi;
  }
  avi.riffSize = GetLe32(&f[4]);
  uint64_t pos = 12;
  while (true) {
    if (pos + 12 > f.size()) {
      avi.error = "no movie list";
      return avi;
    }
    uint32_t size = GetLe32(&f[pos + 4]);
    if (Id(&f[pos]) == "LIST" && Id(&f[pos + 8]) == "movi") break;
    if (Id(&f[pos]) == "LIST" && Id(&f[pos + 8]) == "hdrl")
      ParseHeader(f, pos + 12, std::min<uint64_t>(f.size(), pos + 8 + size), avi, 1);
    pos += 8 + uint64_t(size) + (size & 1);
  }
  avi.moviStart = pos + 8;
  avi.moviSize = GetLe32(&f[pos + 4]);
  uint64_t end = avi.moviStart + avi.moviSize;
  if (end > f.size()) {
    avi.error = "movie list runs past the end of the file";
    return avi;
  }
  uint64_t p = avi.moviStart + 4;
  while (p + 8 <= end) {
    std::string id = Id(&f[p]);
    uint32_t size = GetLe32(&f[p + 4]);
    if (id == "LIST") {
      p += 12;
      continue;
    }
    if (p + 8 + size > end) {
      avi.error = "chunk " + id + " runs past the movie list";
      return avi;
    }
    ParsedChunk c;
    c.id = id;
    c.size = size;
    c.offset = p - avi.moviStart;
    c.data.assign(f.begin() + long(p + 8), f.begin() + long(p + 8 + size));
    avi.chunks.push_back(std::move(c));
    p += 8 + uint64_t(size) + (size & 1);
  }
  if (p != end && p != end + (end & 1)) {
    avi.error = "movie list ends inside a chunk header";
    return avi;
  }
  p = end + (end & 1);
  if (p + 8 <= f.size() && Id(&f[p]) == "idx1") {
    avi.hasIndex = true;
    uint32_t size = GetLe32(&f[p + 4]);
    if (p + 8 + size > f.size() || size % 16) {
      avi.error = "index runs past the end of the file";
      return avi;
    }
    for (uint64_t e = p + 8; e < p + 8 + size; e += 16)
      avi.index.push_back({Id(&f[e]), GetLe32(&f[e + 4]), GetLe32(&f[e + 8]), GetLe32(&f[e + 12])});
  }
  return avi;
}

std::string CheckRepaired(const ParsedAvi& avi) {
  if (!avi.error.empty()) return avi.error;
  if (uint64_t(avi.riffSize) + 8 != avi.fileSize) return "RIFF size does not match the file";
  if (!avi.hasIndex) return "no idx1";
  if (avi.index.size() != avi.chunks.size())
    return "idx1 has " + std::to_string(avi.index.size()) + " entries for " + std::to_string(avi.chunks.size()) + " chunks";
  uint64_t indexEnd = avi.moviStart + avi.moviSize;
  indexEnd += (indexEnd & 1) + 8 + 16 * avi.index.size();
  if (indexEnd != avi.fileSize) return "the file does not end with the index";
  for (size_t i = 0; i < avi.index.size(); ++i) {
    const IndexEntry& e = avi.index[i];
    const ParsedChunk& c = avi.chunks[i];
    std::string where = "entry " + std::to_string(i) + ": ";
    if (e.id != c.id) return where + "id " + e.id + " but chunk " + c.id;
    if (e.offset != c.offset) return where + "offset " + std::to_string(e.offset) + " but chunk at " + std::to_string(c.offset);
    if (e.size != c.size) return where + "size differs from the chunk";
    if (e.id[2] == 'w' && e.flags != 0x10) return where + "audio not flagged 0x10";
    if (e.id[2] == 'd' && c.size == 0 && e.flags != 0) return where + "empty video chunk flagged as key frame";
    if (e.flags != 0 && e.flags != 0x10) return where + "unexpected flags";
  }
  return "";
}

std::string CheckHeaderCounts(const ParsedAvi& avi) {
  if (!avi.error.empty()) return avi.error;
  uint64_t chunks[100] = {}, bytes[100] = {};
  for (const ParsedChunk& c : avi.chunks) {
    int stream = (c.id[0] - '0') * 10 + (c.id[1] - '0');
    if (stream < 0 || stream >= 100) return "chunk " + c.id + " names no stream";
    ++chunks[stream];
    bytes[stream] += c.size;
  }
  uint64_t frames = 0;
  bool video = false;
  for (size_t i = 0; i < avi.streams.size() && i < 100; ++i) {
    const StreamHeader& s = avi.streams[i];
    uint64_t length = s.sampleSize ? bytes[i] / s.sampleSize : chunks[i];
    if (s.length != length)
      return "stream " + std::to_string(i) + " length " + std::to_string(s.length) + " for " + std::to_string(length);
    if (s.type == "vids") video = true, frames = std::max(frames, chunks[i]);
  }
  if (!(avi.mainFlags & 0x10)) return "main header without the index flag";
  if (video && avi.totalFrames != frames)
    return "main header counts " + std::to_string(avi.totalFrames) + " frames for " + std::to_string(frames);
  if (video && avi.hasDmlh && avi.grandFrames != frames)
    return "dmlh counts " + std::to_string(avi.grandFrames) + " frames for " + std::to_string(frames);
  return "";
}

std::vector<uint32_t> VideoFrames(const ParsedAvi& avi) {
  std::vector<uint32_t> frames;
  for (const ParsedChunk& c : avi.chunks)
    if (c.id[2] == 'd') frames.push_back(FrameNumber(c.data));
  return frames;
}

}  // namespace avirepair::test
