// avirepair_bench AVIREPAIR WORKDIR [MiB]: writes an AVI of the given size
// (1024 MiB by default: MPEG-4-style video and PCM sound, with "idx1"), then
// copies it with cp, remuxes it with "ffmpeg -c copy" and repairs it with
// the avirepair tool, and prints each one's throughput, the ratios and the
// peak memory. A second, 16 times smaller file shows that the repair's
// memory does not grow with the file.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Le32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void Le16(Bytes& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Id(Bytes& b, const char* id) { b.insert(b.end(), id, id + 4); }

constexpr uint32_t kVideoBytes = 24000, kAudioBytes = 7056;  // 25 fps, 44.1 kHz stereo 16-bit

Bytes Header(uint32_t frames, uint32_t moviSize) {
  Bytes avih, strhV, strfV, strhA, strfA;
  for (uint32_t v : {40000u, 1000000u, 0u, 0x10u, frames, 0u, 2u, 32768u, 320u, 240u, 0u, 0u, 0u, 0u}) Le32(avih, v);
  Id(strhV, "vids"); Id(strhV, "XVID");
  for (uint32_t v : {0u, 0u, 0u, 1u, 25u, 0u, frames, kVideoBytes, 0xFFFFFFFFu, 0u}) Le32(strhV, v);
  Le16(strhV, 0); Le16(strhV, 0); Le16(strhV, 320); Le16(strhV, 240);
  for (uint32_t v : {40u, 320u, 240u}) Le32(strfV, v);
  Le16(strfV, 1); Le16(strfV, 24); Id(strfV, "XVID");
  for (uint32_t v : {320u * 240u * 3u, 0u, 0u, 0u, 0u}) Le32(strfV, v);
  Id(strhA, "auds"); Le32(strhA, 0);
  for (uint32_t v : {0u, 0u, 0u, 4u, 176400u, 0u, frames * kAudioBytes / 4, kAudioBytes, 0xFFFFFFFFu, 4u}) Le32(strhA, v);
  for (int i = 0; i < 4; ++i) Le16(strhA, 0);
  Le16(strfA, 1); Le16(strfA, 2); Le32(strfA, 44100); Le32(strfA, 176400); Le16(strfA, 4); Le16(strfA, 16); Le16(strfA, 0);
  auto chunk = [](Bytes& out, const char* id, const Bytes& data) {
    Id(out, id); Le32(out, uint32_t(data.size())); out.insert(out.end(), data.begin(), data.end());
  };
  auto list = [&](Bytes& out, const char* type, const Bytes& body) {
    Id(out, "LIST"); Le32(out, uint32_t(body.size() + 4)); Id(out, type); out.insert(out.end(), body.begin(), body.end());
  };
  Bytes v, a, hdrl, file;
  chunk(v, "strh", strhV); chunk(v, "strf", strfV);
  chunk(a, "strh", strhA); chunk(a, "strf", strfA);
  chunk(hdrl, "avih", avih); list(hdrl, "strl", v); list(hdrl, "strl", a);
  Id(file, "RIFF"); Le32(file, 0); Id(file, "AVI ");
  list(file, "hdrl", hdrl);
  Id(file, "LIST"); Le32(file, moviSize); Id(file, "movi");
  return file;
}

bool MakeAvi(const std::string& path, uint64_t bytes) {
  uint32_t frames = uint32_t(bytes / (16 + kVideoBytes + kAudioBytes + 32));
  uint32_t moviSize = 4 + frames * (16 + kVideoBytes + kAudioBytes);
  Bytes file = Header(frames, moviSize);
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  Bytes video(8 + kVideoBytes), audio(8 + kAudioBytes);
  uint32_t x = 12345;
  for (auto* c : {&video, &audio})
    for (size_t i = 8; i < c->size(); ++i) (*c)[i] = uint8_t((x = x * 1103515245u + 12345u) >> 24);
  memcpy(video.data(), "00dc", 4); memcpy(video.data() + 4, &kVideoBytes, 4);
  memcpy(audio.data(), "01wb", 4); memcpy(audio.data() + 4, &kAudioBytes, 4);
  bool ok = fwrite(file.data(), 1, file.size(), f) == file.size();
  uint64_t headerSize = file.size();
  Bytes index;
  for (uint32_t i = 0; i < frames && ok; ++i) {
    bool key = i % 25 == 0;
    const uint8_t word[4] = {0, 0, 1, uint8_t(key ? 0xB0 : 0xB6)};
    memcpy(video.data() + 8, word, 4);
    uint32_t rel = uint32_t(4 + uint64_t(i) * (16 + kVideoBytes + kAudioBytes));
    Id(index, "00dc"); Le32(index, key ? 0x10 : 0); Le32(index, rel); Le32(index, kVideoBytes);
    Id(index, "01wb"); Le32(index, 0x10); Le32(index, rel + 8 + kVideoBytes); Le32(index, kAudioBytes);
    ok = fwrite(video.data(), 1, video.size(), f) == video.size() && fwrite(audio.data(), 1, audio.size(), f) == audio.size();
  }
  Bytes tail;
  Id(tail, "idx1"); Le32(tail, uint32_t(index.size()));
  tail.insert(tail.end(), index.begin(), index.end());
  ok = ok && fwrite(tail.data(), 1, tail.size(), f) == tail.size();
  uint32_t riff = uint32_t(headerSize - 8 + (moviSize - 4) + tail.size());
  ok = ok && fseek(f, 4, SEEK_SET) == 0 && fwrite(&riff, 4, 1, f) == 1;
  return fclose(f) == 0 && ok;
}

struct Measured {
  double seconds = 0;
  long peakKiB = 0;
  bool ok = false;
};

Measured Run(const std::vector<std::string>& args) {
  Measured m;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage ru;
  if (pid > 0 && wait4(pid, &status, 0, &ru) == pid) {
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.peakKiB = ru.ru_maxrss;
    m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  return m;
}

uint64_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: avirepair_bench AVIREPAIR WORKDIR [MiB]\n");
    return 2;
  }
  std::string tool = argv[1], dir = argv[2];
  uint64_t mib = argc > 3 ? strtoull(argv[3], nullptr, 10) : 1024;
  std::string big = dir + "/bench-in.avi", small = dir + "/bench-small.avi";
  if (!MakeAvi(big, mib << 20) || !MakeAvi(small, (mib << 20) / 16)) {
    fprintf(stderr, "cannot write the test files in %s\n", dir.c_str());
    return 1;
  }
  double mb = double(FileSize(big)) / 1e6;
  // Read once so that every contender starts from a warm cache.
  Run({"cat", big});
  Measured cp = Run({"cp", big, dir + "/bench-cp.avi"});
  Measured ff = Run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", big, "-c", "copy", dir + "/bench-ffmpeg.avi"});
  Measured fix = Run({tool, big, dir + "/bench-repaired.avi"});
  Measured fixSmall = Run({tool, small, dir + "/bench-small-repaired.avi"});
  printf("input: %.0f MB AVI (%s)\n", mb, big.c_str());
  printf("%-22s %8s %10s %12s %14s\n", "", "seconds", "MB/s", "vs cp", "peak memory");
  auto row = [&](const char* name, const Measured& m) {
    printf("%-22s %8.2f %10.0f %11.2fx %11ld KiB%s\n", name, m.seconds, mb / m.seconds, cp.seconds / m.seconds,
           m.peakKiB, m.ok ? "" : "  (FAILED)");
  };
  row("cp", cp);
  row("ffmpeg -c copy", ff);
  row("avirepair", fix);
  printf("avirepair vs cp: %.2f of cp's throughput (target at least 0.5)\n", cp.seconds / fix.seconds);
  printf("avirepair vs ffmpeg remux: %.2fx as fast (target above 1)\n", ff.seconds / fix.seconds);
  printf("avirepair peak memory: %ld KiB on %.0f MB, %ld KiB on %.0f MB\n", fix.peakKiB, mb, fixSmall.peakKiB,
         double(FileSize(small)) / 1e6);
  for (const char* f : {"bench-in.avi", "bench-small.avi", "bench-cp.avi", "bench-ffmpeg.avi", "bench-repaired.avi",
                        "bench-small-repaired.avi"})
    unlink((dir + "/" + f).c_str());
  return cp.ok && ff.ok && fix.ok && fixSmall.ok ? 0 : 1;
}
