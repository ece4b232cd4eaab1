// avirepair_bench AVIREPAIR WORKDIR [MiB [ROUNDS]]: writes an AVI of the
// given size (1024 MiB by default: MPEG-4-style video and PCM sound, with
// "idx1"), then copies it with cp, remuxes it with "ffmpeg -c copy" and
// repairs it with the avirepair tool, ROUNDS times each (3 by default), once
// with the input in the page cache and once read from the disk with the
// output synced to it. Prints each one's best throughput, the ratios, the
// CPU time and the peak memory. A second, 16 times smaller file shows that
// the repair's memory does not grow with the file.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
  double seconds = 0;     // wall time, until the output is on disk in the disk-bound runs
  double cpuSeconds = 0;  // user + system time of the command
  long peakKiB = 0;
  bool ok = false;
};

uint64_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
}

// Drops a file's pages from the page cache (after sync they are clean), so
// that the next read comes from the disk.
void Evict(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return;
  posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  close(fd);
}

// Brings a file into the page cache.
void ReadThrough(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return;
  std::vector<char> buffer(1 << 20);
  while (read(fd, buffer.data(), buffer.size()) > 0) {
  }
  close(fd);
}

bool SyncFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

// Runs args, writing output, from a clean start: no dirty pages of earlier
// runs, and the input either cached or just evicted. Disk-bound runs count
// the time until the output is on disk.
Measured Run(const std::vector<std::string>& args, const std::string& input, const std::string& output, bool disk) {
  Measured m;
  unlink(output.c_str());
  sync();
  if (disk) Evict(input);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage ru;
  if (pid > 0 && wait4(pid, &status, 0, &ru) == pid) {
    m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && (!disk || SyncFile(output));
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.cpuSeconds = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    m.peakKiB = ru.ru_maxrss;
  }
  return m;
}

struct Contender {
  const char* name;
  std::vector<std::string> args;  // the output path last
  std::vector<Measured> runs;
  Measured best;  // the fastest run, with the highest peak memory of all
  double median = 0;  // seconds: the figure the ratios use, as a busy machine shifts single runs
};

void Measure(std::vector<Contender>& all, const std::string& input, int rounds, bool disk) {
  for (auto& c : all) c.runs.clear();
  if (!disk) ReadThrough(input);
  // Rounds go through every contender in turn, so that a busy moment of the
  // machine does not fall on one of them only.
  for (int r = 0; r < rounds; ++r)
    for (auto& c : all) c.runs.push_back(Run(c.args, input, c.args.back(), disk));
  for (auto& c : all) {
    std::vector<double> seconds;
    for (const Measured& m : c.runs) seconds.push_back(m.seconds);
    std::sort(seconds.begin(), seconds.end());
    size_t n = seconds.size();
    c.median = n % 2 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2;
    c.best = c.runs[0];
    for (const Measured& m : c.runs) {
      if (m.seconds < c.best.seconds) c.best.seconds = m.seconds, c.best.cpuSeconds = m.cpuSeconds;
      c.best.peakKiB = std::max(c.best.peakKiB, m.peakKiB);
      c.best.ok = c.best.ok && m.ok;
    }
  }
}

void Print(const char* title, const std::vector<Contender>& all, double mb) {
  printf("\n%s (median and best of %zu runs each)\n", title, all[0].runs.size());
  printf("%-16s %8s %8s %8s %8s %10s %13s  %s\n", "", "median s", "MB/s", "vs cp", "best s", "cpu sec", "peak memory",
         "all runs (s)");
  double cp = all[0].median;
  for (const Contender& c : all) {
    std::string runs;
    for (const Measured& m : c.runs) runs += (runs.empty() ? "" : " ") + std::to_string(m.seconds).substr(0, 5);
    printf("%-16s %8.3f %8.0f %7.2fx %8.3f %10.2f %9ld KiB  %s%s\n", c.name, c.median, mb / c.median, cp / c.median,
           c.best.seconds, c.best.cpuSeconds, c.best.peakKiB, runs.c_str(), c.best.ok ? "" : "  (FAILED)");
  }
  double ff = all[1].median, fix = all[2].median;
  printf("avirepair: %.2f of cp's throughput (medians; target at least 0.9), %.2fx as fast as the ffmpeg remux\n",
         cp / fix, ff / fix);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: avirepair_bench AVIREPAIR WORKDIR [MiB [ROUNDS]]\n");
    return 2;
  }
  std::string tool = argv[1], dir = argv[2];
  uint64_t mib = argc > 3 ? strtoull(argv[3], nullptr, 10) : 1024;
  int rounds = argc > 4 ? std::max(1, atoi(argv[4])) : 3;
  std::string big = dir + "/bench-in.avi", small = dir + "/bench-small.avi";
  if (!MakeAvi(big, mib << 20) || !MakeAvi(small, (mib << 20) / 16)) {
    fprintf(stderr, "cannot write the test files in %s\n", dir.c_str());
    return 1;
  }
  double mb = double(FileSize(big)) / 1e6;
  std::vector<Contender> all = {
      {"cp", {"cp", big, dir + "/bench-cp.avi"}, {}, {}},
      {"ffmpeg -c copy", {"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", big, "-c", "copy", dir + "/bench-ffmpeg.avi"}, {}, {}},
      {"avirepair", {tool, big, dir + "/bench-repaired.avi"}, {}, {}},
  };
  printf("input: %.0f MB AVI (%s)\n", mb, big.c_str());
  bool ok = true;
  Measure(all, big, rounds, false);
  Print("input in the page cache", all, mb);
  for (const Contender& c : all) ok = ok && c.best.ok;
  Measure(all, big, std::max(1, rounds - 1), true);
  Print("disk-bound: input read from the disk, output written to it", all, mb);
  for (const Contender& c : all) ok = ok && c.best.ok;
  Measured fixSmall = Run({tool, small, dir + "/bench-small-repaired.avi"}, small, dir + "/bench-small-repaired.avi", false);
  printf("\navirepair peak memory: %ld KiB on %.0f MB, %ld KiB on %.0f MB\n", all[2].best.peakKiB, mb, fixSmall.peakKiB,
         double(FileSize(small)) / 1e6);
  for (const char* f : {"bench-in.avi", "bench-small.avi", "bench-cp.avi", "bench-ffmpeg.avi", "bench-repaired.avi",
                        "bench-small-repaired.avi"})
    unlink((dir + "/" + f).c_str());
  return ok && fixSmall.ok ? 0 : 1;
}
