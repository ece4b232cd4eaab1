// avirepair INPUT OUTPUT: repairs one AVI file and says what it kept and
// dropped. Exit status 0 only when the repaired file was written.
#include <stdio.h>

#include <cinttypes>
#include <string>

#ifdef _WIN32
#include <io.h>
#define ZELVO_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define ZELVO_ISATTY(f) isatty(fileno(f))
#endif

#include "avirepair/core/repair_run.h"
#include "avirepair/files/system_files.h"

namespace {

class TerminalProgress final : public avirepair::RepairObserver {
 public:
  explicit TerminalProgress(bool show) : show_(show) {}
  void OnProgress(int percent) override {
    if (!show_) return;
    fprintf(stderr, "\rrepairing: %3d%%", percent);
    fflush(stderr);
    shown_ = true;
  }
  bool CancelRequested() override { return false; }
  void Done() {
    if (shown_) fprintf(stderr, "\r%20s\r", "");
  }

 private:
  bool show_;
  bool shown_ = false;
};

const char* Method(int method) {
  switch (method) {
    case 1: return "key word 00 00 01 00";
    case 2: return "MPEG-4 start code 00 00 01 B0";
    case 3: return "flag bit 0x40 of the first byte clear";
    case 4: return "JPEG picture, every frame";
    default: return "none (no video chunk)";
  }
}

void PrintReport(const avirepair::RepairReport& r) {
  printf("kept:    %" PRIu64 " chunks (%" PRIu64 " video frames, %" PRIu64 " of them key frames; %" PRIu64
         " audio chunks), %" PRIu64 " bytes\n",
         r.chunksKept, r.videoFramesKept, r.keyFramesKept, r.audioChunksKept, r.bytesKept);
  printf("dropped: %" PRIu64 " chunks (%" PRIu64 " video frames), %" PRIu64 " bytes%s\n", r.chunksDropped,
         r.videoFramesDropped, r.bytesDropped, r.cutOffChunkDropped ? "; the cut-off last chunk among them" : "");
  printf("damage:  %" PRIu64 " damaged stretches, %" PRIu64 " bytes skipped\n", r.damagedStretches, r.damagedBytes);
  printf("skipped: %" PRIu64 " JUNK chunks, %" PRIu64 " index chunks\n", r.junkChunksSkipped, r.indexChunksSkipped);
  printf("index:   rebuilt \"idx1\" with %" PRIu64 " entries (the input %s one)\n", r.chunksKept,
         r.inputHadIndex ? "had" : "had no");
  printf("key frames found by: %s\n", Method(r.keyFrameMethod));
  printf("output:  %" PRIu64 " bytes\n", r.outputSize);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr,
            "usage: avirepair INPUT OUTPUT\n"
            "Rewrites the damaged AVI file INPUT as OUTPUT with a rebuilt index; INPUT is only read.\n");
    return 2;
  }
  TerminalProgress progress(ZELVO_ISATTY(stderr) != 0);
  avirepair::RepairReport report;
  avirepair::RepairResult result = avirepair::RunRepair(avirepair::SystemFiles(), argv[1], argv[2], &progress, &report);
  progress.Done();
  if (!result.Succeeded()) {
    fprintf(stderr, "avirepair: %s: %s (error 0x%08" PRIX32 ")\n", argv[1], result.reason.c_str(), result.code);
    return 1;
  }
  printf("repaired %s -> %s\n", argv[1], argv[2]);
  PrintReport(report);
  return 0;
}
