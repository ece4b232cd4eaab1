#include "avirepair/core/repair_run.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace avirepair {
namespace {

constexpr size_t kBufferSize = 1u << 20;
constexpr size_t kHeaderWindow = 256;       // read for a chunk header after large chunks (their data is copied, not read)
constexpr uint64_t kSmallChunk = 64u << 10;  // after chunks this small a window holds many headers; copies come from it
constexpr uint64_t kTinyChunk = 4u << 10;    // the same where the data is copied without the buffer, or not at all
constexpr uint64_t kCopyRun = 4u << 20;     // kept chunks copied together at most, so that progress stays true
constexpr uint64_t kCopyAlign = 1u << 20;   // long runs are copied in pieces that end at such input positions
constexpr size_t kEntrySize = 16;
constexpr size_t kPendingEntries = 256;  // index entries kept before they go to the scratch file
constexpr int kStreams = 100;            // stream numbers are two digits
constexpr uint32_t kHasIndexFlag = 0x10; // AVIF_HASINDEX in the main header's flags
constexpr uint32_t kKeyFrameFlag = 0x10;
constexpr uint64_t kMax32 = 0xFFFFFFFFu;
constexpr uint32_t kMaxChunkSize = 0x7FFFFFFFu;
constexpr uint32_t kEmptyKeyWord = 0x40;

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void PutLe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

bool IdIs(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
uint64_t Padded(uint32_t size) { return uint64_t(size) + (size & 1); }

enum class ChunkKind { kOther, kVideo, kAudio };

// "##dc" and "##db" are video, "##wb" audio; every other stream type counts as damage.
ChunkKind StreamKind(const uint8_t* id) {
  if (!IsDigit(id[0]) || !IsDigit(id[1])) return ChunkKind::kOther;
  if (id[2] == 'd' && (id[3] == 'c' || id[3] == 'b')) return ChunkKind::kVideo;
  if (id[2] == 'w' && id[3] == 'b') return ChunkKind::kAudio;
  return ChunkKind::kOther;
}

bool IsIndexChunkId(const uint8_t* id) {
  return (id[0] == 'i' && id[1] == 'x') || (id[2] == 'i' && id[3] == 'x');
}

// An "idx1" whose first entry names a stream chunk (or an empty one): the
// movie data has ended here.
bool LooksLikeIndex(const uint8_t* p, size_t avail) {
  if (avail < 8 || !IdIs(p, "idx1")) return false;
  uint32_t size = Le32(p + 4);
  if (size == 0) return true;
  if (size % kEntrySize != 0 || avail < 12) return false;
  return StreamKind(p + 8) != ChunkKind::kOther;
}

// Ids an "idx1" entry may name: stream chunks of any type, and record lists.
bool LooksLikeEntryId(const uint8_t* p) {
  auto letter = [](uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  return (IsDigit(p[0]) && IsDigit(p[1]) && letter(p[2]) && letter(p[3])) || IdIs(p, "rec ") || IdIs(p, "LIST");
}

// How key frames are told apart, chosen from the first video chunk.
enum KeyMethod { kMethodNone = 0, kMethodWord = 1, kMethodMpeg4 = 2, kMethodFlagBit = 3, kMethodJpeg = 4 };

int ChooseKeyMethod(uint32_t keyWord) {
  if (keyWord == 0x00010014u) return kMethodWord;
  if (keyWord == 0xB0010000u) return kMethodMpeg4;
  if ((keyWord & 0xFFFFu) == 0xD8FFu) return kMethodJpeg;  // every JPEG picture stands alone
  return kMethodFlagBit;
}

bool IsKeyFrame(int method, const uint8_t* id, uint32_t size, uint32_t keyWord) {
  if (size == 0) return false;
  if (id[3] == 'b') return true;  // uncompressed pictures need no other frame
  switch (method) {
    case kMethodNone: return true;  // the first picture of the run decides the method
    case kMethodWord: return keyWord == 0x00010000u;
    case kMethodMpeg4: return keyWord == 0xB0010000u;
    case kMethodJpeg: return (keyWord & 0xFFFFu) == 0xD8FFu;
    default: return (keyWord & 0x40u) == 0;
  }
}

// Chunks kept since the last video key frame: what a discard throws away.
struct Group {
  uint64_t chunks = 0, video = 0, keys = 0, audio = 0, bytes = 0;
};

enum class Step { kContinue, kFinish, kStop };

class Run {
 public:
  // A measuring run walks the movie data as a repair would, but creates,
  // copies and writes nothing: it only finds out whether the result fits.
  Run(RepairFileSystem& files, RepairObserver* observer, RepairReport* report, bool measureOnly = false)
      : files_(files),
        observer_(observer),
        report_(report),
        measureOnly_(measureOnly),
        buffer_(new uint8_t[kBufferSize]) {}

  RepairResult Repair(const std::string& input, const std::string& output) {
    if (!Open(input, output)) return result_;
    if (measureOnly_) {
      if (MovieLoop() != Step::kStop) FitsIndex();
      return result_;
    }
    // Movie data spanning more than 4 GiB may or may not shrink below it:
    // a measuring pass tells before the output is even created, so that a
    // repair that cannot be written copies nothing.
    if (limit_ - moviStart_ > kMax32) {
      RepairReport scratchReport;
      Run measure(files_, observer_, &scratchReport, true);
      RepairResult fits = measure.Repair(input, output);
      if (!fits.Succeeded()) return result_ = fits;
    }
    if (Prepare(output)) {
      Step step = MovieLoop();
      if (step == Step::kFinish) {
        if (Finish() && observer_) observer_->OnProgress(100);
      } else {
        FlushOutput();  // cancelled or failed runs keep what they copied, without an index
      }
    }
    Settle();
    report_->keyFrameMethod = method_;
    return result_;
  }

 private:
  bool Fail(uint32_t code, const std::string& reason) {
    if (result_.Succeeded()) {
      result_.code = code;
      result_.reason = reason;
    }
    return false;
  }
  bool FileFail(const FileError& error, const std::string& what) {
    return Fail(error.code ? error.code : kResultFail, error.text.empty() ? what : what + ": " + error.text);
  }

  bool Open(const std::string& input, const std::string& output) {
    if (input.empty()) return Fail(kResultInvalidArg, "no input file was given");
    if (output.empty()) return Fail(kResultInvalidArg, "no output file was given");
    FileError error;
    in_ = files_.OpenInput(input, &error);
    if (!in_) return FileFail(error, "cannot open the input file");
    if (files_.IsSameFile(*in_, output))
      return Fail(kResultInvalidArg, "the output file is the input file; choose another output name");
    if (!in_->Size(&inSize_, &error)) return FileFail(error, "cannot read the input file's size");
    const uint8_t* head = nullptr;
    size_t avail = 0;
    if (!Peek(0, 16, &head, &avail)) return false;
    if (avail < 16 || !IdIs(head, "RIFF") || std::memcmp(head + 8, "AVI LIST", 8) != 0)
      return Fail(kResultUnexpected, "the input is not an AVI file");
    return FindMovieList() && FindLimit();
  }

  // Walks the top-level chunks from the header list on to the movie list.
  bool FindMovieList() {
    for (uint64_t sizePos = 16;;) {
      const uint8_t* d = nullptr;
      size_t avail = 0;
      if (sizePos + 8 > inSize_ || !Peek(sizePos - 4, 12, &d, &avail) || avail < 12)
        return result_.Succeeded() ? Fail(kResultBadFormat, "the AVI file has no movie data (no \"movi\" list)") : false;
      uint32_t size = Le32(d + 4);
      if (IdIs(d, "LIST") && IdIs(d + 8, "movi")) {
        moviStart_ = sizePos + 4;
        moviListSize_ = size;
        return true;
      }
      sizePos += 8 + Padded(size);  // always moves on: positions are 64-bit
    }
  }

  bool ReadSmall(uint64_t pos, uint8_t* data, size_t len, size_t* got) {
    FileError error;
    if (!in_->Read(pos, data, len, got, &error)) return FileFail(error, "cannot read the input file");
    return true;
  }

  bool IndexAt(uint64_t pos, bool* found) {
    uint8_t d[12];
    size_t got = 0;
    if (!ReadSmall(pos, d, sizeof d, &got)) return false;
    *found = LooksLikeIndex(d, got);
    return true;
  }

  // Where the movie data ends: the input's trailing "idx1", else its end.
  bool FindLimit() {
    limit_ = inSize_;
    bool found = false;
    uint64_t listEnd = moviStart_ + Padded(moviListSize_);
    if (moviListSize_ >= 4 && listEnd + 8 <= inSize_) {
      if (!IndexAt(listEnd, &found)) return false;
      if (found) return SetLimit(listEnd);
    }
    const uint64_t low = moviStart_ + 4;
    if (inSize_ < low + 4) return true;
    // The last stream id or "idx1" of the file tells whether an index ends it.
    uint64_t tailStart = std::max<uint64_t>(low, inSize_ > kBufferSize ? inSize_ - kBufferSize : 0);
    size_t got = 0;
    if (!ReadWindow(tailStart, size_t(inSize_ - tailStart), &got)) return false;
    for (size_t i = got >= 4 ? got - 4 + 1 : 0; i-- > 0;) {
      const uint8_t* p = buffer_.get() + i;
      if (IdIs(p, "idx1")) {
        if (!IndexAt(tailStart + i, &found)) return false;
        return found ? SetLimit(tailStart + i) : true;
      }
      if (StreamKind(p) != ChunkKind::kOther) break;
    }
    if (got < 4) return true;
    return FindIndexStart(low);
  }

  // The tail ends in a stream chunk id, as an index does (its last entry
  // names a chunk). Walk back over 16-byte entries while they look like
  // entries; "idx1" right before the first of them is the index. In movie
  // data the walk stops at once, so files without an index cost no extra pass.
  bool FindIndexStart(uint64_t low) {
    size_t got = 0;
    uint64_t tailStart = winPos_;
    uint64_t entry = 0;
    bool found = false;
    for (size_t i = winLen_ >= 4 ? winLen_ - 4 + 1 : 0; i-- > 0;) {
      if (StreamKind(buffer_.get() + i) != ChunkKind::kOther) {
        entry = tailStart + i;
        found = true;
        break;
      }
    }
    if (!found) return true;
    while (entry >= low + 8) {
      // Entries from entry back, one window at a time (entry stays in it).
      uint64_t windowStart = entry - low > kBufferSize - 16 ? entry + 16 - kBufferSize : low;
      if (!ReadWindow(windowStart, size_t(entry + 4 - windowStart), &got)) return false;
      if (got < entry + 4 - windowStart) return Fail(kResultFail, "the input file shrank during the repair");
      for (;;) {
        const uint8_t* at = buffer_.get() + (entry - windowStart);
        if (entry >= windowStart + 8 && IdIs(at - 8, "idx1")) {
          if (!IndexAt(entry - 8, &found)) return false;
          return found ? SetLimit(entry - 8) : true;
        }
        if (entry < windowStart + 16) break;
        if (!LooksLikeEntryId(at - 16)) return true;
        entry -= 16;
      }
      if (windowStart == low) return true;
    }
    return true;
  }

  bool SetLimit(uint64_t pos) {
    report_->inputHadIndex = true;
    bool more = false;
    if (!MovieGoesOnAfterIndex(pos, &more)) return false;
    if (!more) limit_ = pos;
    return true;
  }

  // An OpenDML file larger than 1 GiB follows its first part's "idx1" with
  // "RIFF" "AVIX" parts holding more movie data: that index ends nothing.
  bool MovieGoesOnAfterIndex(uint64_t indexPos, bool* more) {
    const uint8_t* d = nullptr;
    size_t avail = 0;
    *more = false;
    if (!Peek(indexPos, 8, &d, &avail)) return false;
    if (avail < 8) return true;
    uint64_t next = indexPos + 8 + Padded(Le32(d + 4));
    if (!Peek(next, 12, &d, &avail)) return false;
    *more = avail >= 12 && IdIs(d, "RIFF") && IdIs(d + 8, "AVIX");
    return true;
  }

  // At an "idx1": the end of the movie data, or the first part's index of an
  // OpenDML file, which is stepped over like the parts' own index chunks.
  Step AtIndex(uint64_t pos) {
    report_->inputHadIndex = true;
    bool more = false;
    if (!MovieGoesOnAfterIndex(pos, &more)) return Step::kStop;
    if (!more) return Step::kFinish;
    const uint8_t* d = nullptr;
    size_t avail = 0;
    if (!Peek(pos, 8, &d, &avail)) return Step::kStop;
    return SkipChunk(pos, Le32(d + 4), false);
  }

  // Fills the buffer from pos. Bytes of the old window from pos on move to
  // the front instead of being read again. Kept chunks that wait to be
  // copied from the old window are written first.
  bool ReadWindow(uint64_t pos, size_t len, size_t* got) {
    if (PendingInWindow() && !FlushOutput()) return false;
    len = std::min(len, kBufferSize);
    size_t kept = 0;
    if (pos >= winPos_ && pos < winPos_ + winLen_) {
      kept = std::min(len, size_t(winPos_ + winLen_ - pos));
      std::memmove(buffer_.get(), buffer_.get() + (pos - winPos_), kept);
    }
    FileError error;
    winLen_ = 0;
    size_t more = 0;
    if (kept < len && !in_->Read(pos + kept, buffer_.get() + kept, len - kept, &more, &error))
      return FileFail(error, "cannot read the input file");
    winPos_ = pos;
    winLen_ = kept + more;
    *got = winLen_;
    return true;
  }

  // Only without a copy queue: with one, every run of kept chunks goes to it.
  bool PendingInWindow() const {
    return !copier_ && pendingLen_ > 0 && pendingIn_ >= winPos_ && pendingIn_ + pendingLen_ <= winPos_ + winLen_;
  }

  // Copies the run of kept chunks that waits in pending*. Where the file
  // system copies by itself, the copy queue takes the run and the window
  // stays. Otherwise a run the window holds is written from it, and any
  // other is copied through the buffer (so the window is gone).
  bool FlushOutput() {
    if (pendingLen_ == 0) return true;
    uint64_t len = pendingLen_;
    FileError error;
    if (copier_) {
      pendingLen_ = 0;
      return copier_->Add(pendingIn_, pendingOut_, len, &error) || CopyFailed(error);
    }
    if (PendingInWindow()) {
      pendingLen_ = 0;
      if (out_->Write(pendingOut_, buffer_.get() + (pendingIn_ - winPos_), size_t(len), &error)) return true;
      return FileFail(error, "cannot write the output file");
    }
    pendingLen_ = 0;
    winLen_ = 0;
    return in_->CopyTo(*out_, pendingIn_, pendingOut_, len, buffer_.get(), kBufferSize, &error) || CopyFailed(error);
  }

  bool CopyFailed(const FileError& error) {
    if (error.code == kEndOfFile) return Fail(kResultFail, "the input file ended early; was it changed during the repair?");
    return FileFail(error, "cannot copy the input file's chunks to the output file");
  }

  // Waits for the copies the queue still makes: before the output is
  // written or cut here, and at the end of the run.
  bool Settle() {
    FileError error;
    return !copier_ || copier_->Wait(&error) || CopyFailed(error);
  }

  // Makes up to n bytes at pos readable in the buffer; fewer only at the
  // end of the input.
  bool Peek(uint64_t pos, size_t n, const uint8_t** data, size_t* avail) {
    uint64_t winEnd = winPos_ + winLen_;
    bool inside = pos >= winPos_ && pos <= winEnd;
    if (!(inside && (pos + n <= winEnd || winEnd >= inSize_))) {
      size_t got = 0;
      uint64_t small = copier_ || measureOnly_ ? kTinyChunk : kSmallChunk;
      if (!ReadWindow(pos, std::max(n, lastLength_ < small ? kBufferSize : kHeaderWindow), &got)) return false;
      winEnd = winPos_ + winLen_;
    }
    uint64_t have = pos >= winPos_ && pos <= winEnd ? winEnd - pos : 0;
    *avail = size_t(std::min<uint64_t>(n, have));
    *data = buffer_.get() + (have ? pos - winPos_ : 0);
    return true;
  }

  bool WriteOut(uint64_t pos, const void* data, size_t len) {
    if (!Settle()) return false;
    FileError error;
    if (!out_->Write(pos, data, len, &error)) return FileFail(error, "cannot write the output file");
    return true;
  }

  // Copies len input bytes at from to the output at to. Chunks that follow
  // each other in the input and in the output are copied together.
  bool Copy(uint64_t from, uint64_t len, uint64_t to) {
    if (measureOnly_) return true;
    bool continues = pendingIn_ + pendingLen_ == from && pendingOut_ + pendingLen_ == to;
    if (pendingLen_ > 0 && !continues && !FlushOutput()) return false;
    if (pendingLen_ == 0) {
      pendingIn_ = from;
      pendingOut_ = to;
    }
    pendingLen_ += len;
    return pendingLen_ < kCopyRun || FlushAligned();
  }

  // Copies a long run up to the last kCopyAlign boundary of the input inside
  // it; the rest waits for the chunks that follow. File systems copy whole
  // runs of cached pages (large folios) much faster than pieces that start
  // and end inside them.
  bool FlushAligned() {
    uint64_t end = pendingIn_ + pendingLen_;
    uint64_t cut = end & ~(kCopyAlign - 1);
    if (cut <= pendingIn_) cut = end;
    uint64_t done = cut - pendingIn_, rest = pendingLen_ - done;
    uint64_t nextOut = pendingOut_ + done;
    pendingLen_ = done;
    if (!FlushOutput()) return false;
    pendingIn_ = cut;
    pendingOut_ = nextOut;
    pendingLen_ = rest;
    return true;
  }

  bool Prepare(const std::string& output) {
    FileError error;
    out_ = files_.CreateOutput(output, &error);
    if (!out_) return FileFail(error, "cannot create the output file");
    out_->Reserve(inSize_);  // what is kept plus a new index: about as much as the input
    scratch_ = files_.CreateScratch(output, &error);
    if (!scratch_) return FileFail(error, "cannot create the temporary index beside the output file");
    // Where the file system copies by itself, it does so on a thread of its
    // own while this one reads the chunk headers on.
    if (in_->CopiesWithoutBuffer(*out_)) copier_ = std::make_unique<CopyQueue>(*in_, *out_);
    // The repaired file carries only the rebuilt "idx1": the header's "indx"
    // chunks point at the input's index chunks, which are not copied, so they
    // become "JUNK" that players step over.
    auto retire = [this](const uint8_t* d, size_t, uint64_t pos, int) { return !IdIs(d, "indx") || WriteOut(pos, "JUNK", 4); };
    return Copy(0, moviStart_ + 4, 0) && FlushOutput() && WalkHeader(12, moviStart_ - 8, 0, -1, retire);
  }

  // Visits the chunks that lie whole inside the header list, its stream
  // lists and its "odml" list: visit(chunk bytes, bytes readable there
  // (up to 8 + 48), chunk position, stream number or -1).
  template <typename Visit>
  bool WalkHeader(uint64_t pos, uint64_t end, int depth, int stream, Visit& visit) {
    int streams = 0;
    while (pos + 8 <= end) {
      const uint8_t* d = nullptr;
      size_t avail = 0;
      if (!Peek(pos, 8 + 48, &d, &avail)) return false;
      if (avail < 8) break;
      uint64_t next = pos + 8 + Padded(Le32(d + 4));
      if (avail >= 12 && depth < 2 && IdIs(d, "LIST") && (IdIs(d + 8, "hdrl") || IdIs(d + 8, "strl") || IdIs(d + 8, "odml"))) {
        int inner = IdIs(d + 8, "strl") ? streams++ : -1;
        if (!WalkHeader(pos + 12, std::min(end, next), depth + 1, inner, visit)) return false;
      } else if (next <= end && !visit(d, avail, pos, stream)) {
        return false;
      }
      pos = next;
    }
    return true;
  }

  void Progress() {
    if (!observer_ || measureOnly_) return;
    uint64_t span = limit_ > moviStart_ ? limit_ - moviStart_ : 1;
    int percent = int(std::min<uint64_t>(99, rel_ * 100 / span));
    if (percent != lastPercent_) {
      lastPercent_ = percent;
      observer_->OnProgress(percent);
    }
  }

  bool Cancelled() {
    if (observer_ && observer_->CancelRequested()) return !Fail(kResultUnexpected, "the repair was cancelled");
    return false;
  }

  Step MovieLoop() {
    for (;;) {
      Progress();
      if (Cancelled()) return Step::kStop;
      uint64_t pos = moviStart_ + rel_;
      if (pos >= limit_) return Step::kFinish;
      const uint8_t* d = nullptr;
      size_t avail = 0;
      if (!Peek(pos, 12, &d, &avail)) return Step::kStop;
      avail = size_t(std::min<uint64_t>(avail, limit_ - pos));
      if (avail < 8) {  // a chunk header cut off by the end of the file
        report_->cutOffChunkDropped = avail > 0;
        return Step::kFinish;
      }
      Step step = Step::kContinue;
      if (IdIs(d, "LIST") || (IdIs(d, "RIFF") && avail >= 12 && IdIs(d + 8, "AVIX"))) {
        rel_ += 12;  // record lists and extension lists are entered, not copied
      } else if (IdIs(d, "JUNK") || IsIndexChunkId(d)) {
        step = SkipChunk(pos, Le32(d + 4), IdIs(d, "JUNK"));
      } else if (StreamKind(d) != ChunkKind::kOther) {
        step = StreamChunk(pos, d, avail);
      } else if (LooksLikeIndex(d, avail)) {
        step = AtIndex(pos);
      } else {
        step = Damage(pos);
      }
      if (step != Step::kContinue) return step;
    }
  }

  Step SkipChunk(uint64_t pos, uint32_t size, bool junk) {
    uint64_t end = pos + 8 + Padded(size);
    if (end > limit_) return Overrun(pos, false);
    (junk ? report_->junkChunksSkipped : report_->indexChunksSkipped)++;
    lastLength_ = end - pos;
    rel_ = end - moviStart_;
    return Step::kContinue;
  }

  Step StreamChunk(uint64_t pos, const uint8_t* d, size_t avail) {
    uint32_t size = Le32(d + 4);
    if (size > kMaxChunkSize) {
      // A size this large means the id itself was lost: what follows it
      // may be the next header.
      uint64_t next = pos + 4;
      const uint8_t* n = nullptr;
      size_t nAvail = 0;
      if (!Peek(next, 12, &n, &nAvail)) return Step::kStop;
      nAvail = size_t(std::min<uint64_t>(nAvail, limit_ - next));
      if (nAvail >= 12 && IdIs(n, "LIST")) {
        rel_ = next + 12 - moviStart_;
        return Step::kContinue;
      }
      if (nAvail >= 8 && IdIs(n, "JUNK")) return SkipChunk(next, Le32(n + 4), true);
      if (LooksLikeIndex(n, nAvail)) return AtIndex(next);
      return Damage(next);
    }
    uint64_t end = pos + 8 + Padded(size);
    if (end > limit_) return Overrun(pos, true);
    uint8_t id[4];
    std::memcpy(id, d, 4);
    uint32_t keyWord = kEmptyKeyWord;
    if (size > 0) {
      uint8_t word[4] = {0, 0, 0, 0};
      std::memcpy(word, d + 8, std::min<size_t>({4, size, avail - 8}));
      keyWord = Le32(word);
    }
    return KeepChunk(pos, id, size, keyWord, end) ? Step::kContinue : Step::kStop;
  }

  bool KeepChunk(uint64_t pos, const uint8_t* id, uint32_t size, uint32_t keyWord, uint64_t end) {
    ChunkKind kind = StreamKind(id);
    bool video = kind == ChunkKind::kVideo;
    if (video && method_ == kMethodNone) method_ = ChooseKeyMethod(keyWord);
    bool key = video && IsKeyFrame(method_, id, size, keyWord);
    uint64_t length = end - pos;
    if (outRel_ + length > kMax32)
      return Fail(kResultTooLarge, "the repaired movie data would pass 4 GiB, more than an AVI 1.0 index can address");
    if (key) {
      keyEntryCount_ = entryCount_;
      keyOutRel_ = outRel_;
      group_ = Group();
    }
    if (!AppendEntry(id, kind == ChunkKind::kAudio || key ? kKeyFrameFlag : 0, uint32_t(outRel_), size)) return false;
    if (!Copy(pos, length, moviStart_ + outRel_)) return false;
    outRel_ += length;
    lastLength_ = length;
    rel_ = end - moviStart_;
    Group add;
    add.chunks = 1;
    add.video = video;
    add.keys = key;
    add.audio = kind == ChunkKind::kAudio;
    add.bytes = length;
    Count(add, +1);
    return true;
  }

  void Count(const Group& g, int sign) {
    auto apply = [sign](uint64_t& total, uint64_t n) { total = sign > 0 ? total + n : total - n; };
    apply(report_->chunksKept, g.chunks);
    apply(report_->videoFramesKept, g.video);
    apply(report_->keyFramesKept, g.keys);
    apply(report_->audioChunksKept, g.audio);
    apply(report_->bytesKept, g.bytes);
    if (sign > 0) {
      group_.chunks += g.chunks;
      group_.video += g.video;
      group_.keys += g.keys;
      group_.audio += g.audio;
      group_.bytes += g.bytes;
    }
  }

  bool AppendEntry(const uint8_t* id, uint32_t flags, uint32_t offset, uint32_t size) {
    if (measureOnly_) return ++entryCount_, true;
    if (pending_.size() >= kPendingEntries * kEntrySize && !FlushEntries()) return false;
    uint8_t entry[kEntrySize];
    std::memcpy(entry, id, 4);
    PutLe32(entry + 4, flags);
    PutLe32(entry + 8, offset);
    PutLe32(entry + 12, size);
    pending_.insert(pending_.end(), entry, entry + kEntrySize);
    ++entryCount_;
    return true;
  }

  bool FlushEntries() {
    if (pending_.empty()) return true;
    FileError error;
    if (!scratch_->Write(flushedEntries_ * kEntrySize, pending_.data(), pending_.size(), &error))
      return FileFail(error, "cannot write the temporary index");
    flushedEntries_ += pending_.size() / kEntrySize;
    pending_.clear();
    return true;
  }

  // Drops everything from the last video key frame on (everything, before
  // the first one): index entries and movie data together.
  void DiscardGroup() {
    report_->chunksDropped += group_.chunks;
    report_->videoFramesDropped += group_.video;
    report_->bytesDropped += group_.bytes;
    Count(group_, -1);
    group_ = Group();
    if (measureOnly_) {
      entryCount_ = keyEntryCount_;
      outRel_ = keyOutRel_;
      return;
    }
    if (keyEntryCount_ >= flushedEntries_) {
      pending_.resize(size_t(keyEntryCount_ - flushedEntries_) * kEntrySize);
    } else {
      pending_.clear();
      flushedEntries_ = keyEntryCount_;
    }
    entryCount_ = keyEntryCount_;
    outRel_ = keyOutRel_;
    // Chunks of the group that still wait to be copied are not copied at all.
    uint64_t keptEnd = moviStart_ + outRel_;
    if (pendingLen_ > 0 && pendingOut_ + pendingLen_ > keptEnd) pendingLen_ = pendingOut_ < keptEnd ? keptEnd - pendingOut_ : 0;
  }

  // A damaged stretch: its key-frame group goes, copying resumes at the next
  // key frame; the bytes in between are not copied, nothing could decode them.
  Step Damage(uint64_t pos) {
    ++report_->damagedStretches;
    DiscardGroup();
    uint64_t found = 0;
    Step step = SearchKeyFrame(pos + 1, &found);
    if (step == Step::kStop) return step;
    if (step == Step::kFinish) {
      report_->damagedBytes += limit_ - pos;
      return step;
    }
    report_->damagedBytes += found - pos;
    rel_ = found - moviStart_;
    return Step::kContinue;
  }

  // A chunk that claims to run past the end of the movie data: either the
  // file was cut off inside it, or its size field is damaged. A key frame
  // further on tells which.
  Step Overrun(uint64_t pos, bool streamChunk) {
    uint64_t found = 0;
    Step step = SearchKeyFrame(pos + 8, &found);
    if (step == Step::kStop) return step;
    if (step == Step::kFinish) {
      if (streamChunk) {
        report_->cutOffChunkDropped = true;
        ++report_->chunksDropped;
        report_->bytesDropped += limit_ - pos;
      }
      return Step::kFinish;
    }
    ++report_->damagedStretches;
    DiscardGroup();
    report_->damagedBytes += found - pos;
    rel_ = found - moviStart_;
    return Step::kContinue;
  }

  bool IsResumePoint(const uint8_t* p) {
    if (StreamKind(p) == ChunkKind::kVideo) {
      uint32_t size = Le32(p + 4);
      return size <= kMaxChunkSize && IsKeyFrame(method_, p, size, Le32(p + 8));
    }
    return LooksLikeIndex(p, 12);
  }

  // Looks from pos on for the header of a video key frame or the index.
  // kContinue with *found set, kFinish at the end of the movie data.
  Step SearchKeyFrame(uint64_t pos, uint64_t* found) {
    while (pos + 12 <= limit_) {
      if (Cancelled()) return Step::kStop;
      const uint8_t* d = nullptr;
      size_t avail = 0;
      if (!Peek(pos, kBufferSize, &d, &avail)) return Step::kStop;
      avail = size_t(std::min<uint64_t>(avail, limit_ - pos));
      if (avail < 12) break;
      for (size_t i = 0; i + 12 <= avail; ++i) {
        const uint8_t* p = d + i;
        bool maybe = (p[2] == 'd' && (p[3] == 'c' || p[3] == 'b')) || p[0] == 'i';
        if (maybe && IsResumePoint(p)) {
          *found = pos + i;
          return Step::kContinue;
        }
      }
      pos += avail - 11;  // the next window overlaps by one header less a byte
      rel_ = pos - moviStart_;
      Progress();
    }
    return Step::kFinish;
  }

  // Whether the repaired movie data and its index fit the 32-bit sizes of an AVI 1.0 file.
  bool FitsIndex() {
    uint64_t moviEnd = moviStart_ + outRel_;
    uint64_t fileEnd = moviEnd + (moviEnd & 1) + 8 + entryCount_ * kEntrySize;
    if (outRel_ > kMax32 || fileEnd - 8 > kMax32)
      return Fail(kResultTooLarge, "the repaired file would pass 4 GiB, more than an AVI 1.0 file can hold");
    return true;
  }

  bool Finish() {
    if (!FlushEntries() || !FlushOutput() || !Settle() || !FitsIndex()) return false;
    uint64_t moviEnd = moviStart_ + outRel_;
    uint64_t indexPos = moviEnd + (moviEnd & 1);
    uint64_t indexBytes = entryCount_ * kEntrySize;
    uint64_t fileEnd = indexPos + 8 + indexBytes;
    uint8_t head[8] = {'i', 'd', 'x', '1'};
    PutLe32(head + 4, uint32_t(indexBytes));
    if (indexPos != moviEnd && !WriteOut(moviEnd, "\0", 1)) return false;
    if (!WriteOut(indexPos, head, sizeof head)) return false;
    StreamTally tally;
    if (!CopyIndex(indexPos + 8, indexBytes, &tally)) return false;
    FileError error;
    if (!out_->Truncate(fileEnd, &error)) return FileFail(error, "cannot set the end of the output file");
    uint8_t field[4];
    PutLe32(field, uint32_t(outRel_));
    if (!WriteOut(moviStart_ - 4, field, 4)) return false;
    PutLe32(field, uint32_t(fileEnd - 8));
    if (!WriteOut(4, field, 4)) return false;
    if (!SetHeaderCounts(tally)) return false;
    report_->indexWritten = true;
    report_->outputSize = fileEnd;
    return true;
  }

  // Chunks and bytes per stream number in the repaired file.
  struct StreamTally {
    uint64_t chunks[kStreams] = {};
    uint64_t bytes[kStreams] = {};
  };

  // Copies the entries from the temporary index to the output at pos,
  // counting each stream's chunks on the way. The buffer's window is gone.
  bool CopyIndex(uint64_t pos, uint64_t bytes, StreamTally* tally) {
    winLen_ = 0;
    FileError error;
    for (uint64_t done = 0; done < bytes;) {
      size_t want = size_t(std::min<uint64_t>(kBufferSize, bytes - done));
      size_t got = 0;
      if (!scratch_->Read(done, buffer_.get(), want, &got, &error)) return FileFail(error, "cannot read the temporary index");
      if (got != want) return Fail(kResultFail, "the temporary index is shorter than written");
      for (size_t e = 0; e < got; e += kEntrySize) {
        const uint8_t* entry = buffer_.get() + e;
        int stream = (entry[0] - '0') * 10 + (entry[1] - '0');  // kept chunks have two-digit ids
        ++tally->chunks[stream];
        tally->bytes[stream] += Le32(entry + 12);
      }
      if (!WriteOut(pos + done, buffer_.get(), got)) return false;
      done += got;
    }
    return true;
  }

  // The headers tell players how long each stream is: after dropped chunks
  // they must count what the repaired file holds. Each stream header's
  // length counts chunks, or bytes in samples where samples have a fixed
  // size; the main header counts the frames of the longest video stream and
  // says that an index is there.
  bool SetHeaderCounts(const StreamTally& tally) {
    uint64_t avih = 0, dmlh = 0;  // chunk positions, 0 for none
    uint32_t flags = 0, totalFrames = 0, grandFrames = 0;
    bool video = false;
    uint64_t frames = 0;
    auto visit = [&](const uint8_t* d, size_t avail, uint64_t pos, int stream) {
      uint32_t size = Le32(d + 4);
      if (IdIs(d, "avih") && size >= 20 && avail >= 8 + 20) {
        avih = pos;
        flags = Le32(d + 8 + 12);
        totalFrames = Le32(d + 8 + 16);
      } else if (IdIs(d, "dmlh") && size >= 4 && avail >= 8 + 4) {
        dmlh = pos;
        grandFrames = Le32(d + 8);
      } else if (IdIs(d, "strh") && stream >= 0 && stream < kStreams && size >= 48 && avail >= 8 + 48) {
        uint32_t sampleSize = Le32(d + 8 + 44);
        uint64_t length = sampleSize ? tally.bytes[stream] / sampleSize : tally.chunks[stream];
        if (IdIs(d + 8, "vids")) {
          video = true;
          frames = std::max(frames, tally.chunks[stream]);
        }
        return SetField(pos + 8 + 32, Le32(d + 8 + 32), uint32_t(length));
      }
      return true;
    };
    if (!WalkHeader(12, moviStart_ - 8, 0, -1, visit)) return false;
    if (avih && !SetField(avih + 8 + 12, flags, flags | kHasIndexFlag)) return false;
    if (video && avih && !SetField(avih + 8 + 16, totalFrames, uint32_t(frames))) return false;
    if (video && dmlh && !SetField(dmlh + 8, grandFrames, uint32_t(frames))) return false;
    return true;
  }

  bool SetField(uint64_t pos, uint32_t old, uint32_t value) {
    if (old == value) return true;
    uint8_t field[4];
    PutLe32(field, value);
    return WriteOut(pos, field, 4);
  }

  RepairFileSystem& files_;
  RepairObserver* observer_;
  RepairReport* report_;
  bool measureOnly_;
  RepairResult result_;
  std::unique_ptr<uint8_t[]> buffer_;  // every read goes through it, and copies the file system does not make itself
  uint64_t winPos_ = 0;                // input position of the buffer's first byte
  size_t winLen_ = 0;
  uint64_t pendingIn_ = 0, pendingOut_ = 0, pendingLen_ = 0;  // a run of kept chunks not yet copied
  std::unique_ptr<RepairFile> in_, out_, scratch_;
  std::unique_ptr<CopyQueue> copier_;  // set where the file system copies without the buffer; ends before the files
  uint64_t inSize_ = 0;
  uint64_t moviStart_ = 0;
  uint32_t moviListSize_ = 0;
  uint64_t limit_ = 0;
  uint64_t rel_ = 4;     // input position, counted from moviStart
  uint64_t outRel_ = 4;  // output position, counted from moviStart
  uint64_t lastLength_ = 0;  // of the last chunk kept or stepped over: how far away the next header is likely
  int method_ = kMethodNone;
  int lastPercent_ = -1;
  uint64_t entryCount_ = 0;
  uint64_t flushedEntries_ = 0;
  std::vector<uint8_t> pending_;
  uint64_t keyEntryCount_ = 0;
  uint64_t keyOutRel_ = 4;
  Group group_;
};

}  // namespace

RepairResult RunRepair(RepairFileSystem& files, const std::string& input, const std::string& output,
                       RepairObserver* observer, RepairReport* report) {
  RepairReport local;
  Run run(files, observer, report ? report : &local);
  if (report) *report = RepairReport();
  return run.Repair(input, output);
}

}  // namespace avirepair
