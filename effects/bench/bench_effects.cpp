// Measures the pixel core against memcpy and FFmpeg's libswscale.
//
//   bench_effects [--level plain|sse2|avx2|all] [--seconds S]
//
// For 720 x 576 and 1920 x 1080 frames it prints frames per second and bytes
// per second (input plus output bytes) of the effect pass, each conversion
// and the effect pass with the RGB32 conversion (in two passes, and in the
// one pass of EffectTables::ApplyAndConvert), each as a ratio of
// its time to that of memcpy of the same input plus output bytes and to
// libswscale converting YUYV422 to BGRA (and to the matching format).
// Ratios below 1 are faster than the baseline.

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "effects/core/effect_tables.h"
#include "effects/core/frame_converter.h"
#include "effects/core/simd_level.h"

namespace {

using Clock = std::chrono::steady_clock;
double gSeconds = 0.3;
volatile uint8_t gSink;

// Seconds per call: the fastest of several batches that together run about
// gSeconds, so a busy neighbour on the machine disturbs the figure less.
double Measure(const std::function<void()>& op) {
  op();  // warm caches and tables
  int perBatch = 1;
  for (;;) {
    const auto t0 = Clock::now();
    for (int i = 0; i < perBatch; ++i) op();
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    if (s > gSeconds / 10 || perBatch > (1 << 20)) break;
    perBatch *= 2;
  }
  double best = 1e30;
  for (int batch = 0; batch < 11; ++batch) {
    const auto t0 = Clock::now();
    for (int i = 0; i < perBatch; ++i) op();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count() / perBatch);
  }
  return best;
}

struct SwsConverter {
  SwsContext* ctx = nullptr;
  int width, height, bpp;
  SwsConverter(int w, int h, AVPixelFormat format, int bytesPerPixel) : width(w), height(h), bpp(bytesPerPixel) {
    ctx = sws_getContext(w, h, AV_PIX_FMT_YUYV422, w, h, format, SWS_POINT, nullptr, nullptr, nullptr);
    if (ctx == nullptr) {
      std::fprintf(stderr, "bench_effects: libswscale refused the conversion\n");
      std::exit(1);
    }
  }
  ~SwsConverter() { sws_freeContext(ctx); }
  void Run(const uint8_t* src, uint8_t* dst) const {
    const uint8_t* srcPlanes[4] = {src, nullptr, nullptr, nullptr};
    const int srcStrides[4] = {2 * width, 0, 0, 0};
    uint8_t* dstPlanes[4] = {dst, nullptr, nullptr, nullptr};
    const int dstStrides[4] = {bpp * width, 0, 0, 0};
    sws_scale(ctx, srcPlanes, srcStrides, 0, height, dstPlanes, dstStrides);
  }
};

void RunSize(int width, int height, effects::SimdLevel level) {
  const size_t pixels = static_cast<size_t>(width) * height;
  const size_t in = pixels * 2;
  std::vector<uint8_t> src(in), work(in), dst(pixels * 6 + 64), copyFrom(pixels * 6 + 64);
  std::mt19937 rng(1);
  for (size_t i = 0; i < in; ++i) src[i] = static_cast<uint8_t>(i % 2 ? 64 + rng() % 128 : 16 + rng() % 220);
  std::memcpy(work.data(), src.data(), in);
  for (uint8_t& b : copyFrom) b = static_cast<uint8_t>(rng());

  auto tables = std::make_unique<effects::EffectTables>();
  tables->SetFilterDefaults();
  tables->SetBrightness(10);
  tables->SetContrast(20);
  tables->SetSaturation(30);
  tables->SetHue(15);
  tables->SetPixelCount(static_cast<int64_t>(pixels));

  auto memcpyTime = [&](size_t bytes) {
    return Measure([&] {
      std::memcpy(dst.data(), copyFrom.data(), bytes);
      gSink = dst[bytes - 1];
    });
  };
  const AVPixelFormat swsFormats[5] = {AV_PIX_FMT_YUYV422, AV_PIX_FMT_BGRA, AV_PIX_FMT_BGR24, AV_PIX_FMT_RGB565LE,
                                       AV_PIX_FMT_RGB555LE};
  double swsTime[5];
  for (int k = 0; k < 5; ++k) {
    SwsConverter sws(width, height, swsFormats[k], effects::BytesPerPixel(k));
    swsTime[k] = Measure([&] {
      sws.Run(src.data(), dst.data());
      gSink = dst[0];
    });
  }

  effects::SetSimdLevel(level);
  std::printf("\n%d x %d, %s paths (memcpy and libswscale measured in the same run)\n", width, height,
              effects::SimdLevelName(effects::ActiveSimdLevel()));
  std::printf("  %-22s %9s %10s %10s %12s %12s\n", "operation", "frames/s", "MB/s", "x memcpy", "x sws BGRA",
              "x sws same");

  // Prints one row; returns its ratio to memcpy, measured right before.
  auto report = [&](const char* name, double seconds, size_t bytes, int swsKind) {
    const double base = memcpyTime(bytes);
    std::printf("  %-22s %9.0f %10.0f %10.2f %12.2f", name, 1.0 / seconds, bytes / seconds / 1e6, seconds / base,
                seconds / swsTime[1]);
    if (swsKind >= 0) std::printf(" %12.2f", seconds / swsTime[swsKind]);
    std::printf("\n");
    return seconds / base;
  };

  report("memcpy (in+out RGB32)", memcpyTime(pixels * 6), pixels * 6, -1);
  for (int k = 0; k < 5; ++k) {
    const std::string name = std::string("libswscale to ") +
                             (k == 0 ? "YUYV" : k == 1 ? "BGRA" : k == 2 ? "BGR24" : k == 3 ? "RGB565" : "RGB555");
    report(name.c_str(), swsTime[k], in + pixels * effects::BytesPerPixel(k), -1);
  }
  report("apply (in place)", Measure([&] { tables->Apply(work.data(), work.size()); }), 2 * in, -1);
  const char* names[5] = {"copy YUY2", "convert RGB32", "convert RGB24", "convert RGB565", "convert RGB555"};
  for (int k = 0; k < 5; ++k) {
    effects::FrameConverter c;
    const int row = width * effects::BytesPerPixel(k);
    c.Initialise(k == 0 ? row : -row, width, height, k, k == 0 ? 1 : 0);
    report(names[k], Measure([&] {
             c.Convert(src.data(), dst.data());
             gSink = dst[0];
           }),
           in + pixels * effects::BytesPerPixel(k), k);
  }
  effects::FrameConverter rgb32;
  rgb32.Initialise(-width * 4, width, height, effects::kConvertRgb32, 0);
  report("apply, then RGB32", Measure([&] {
           tables->Apply(work.data(), work.size());
           rgb32.Convert(work.data(), dst.data());
           gSink = dst[0];
         }),
         in + pixels * 4, 1);
  const double fused = Measure([&] {
    tables->ApplyAndConvert(rgb32, src.data(), src.size(), dst.data(), dst.size());
    gSink = dst[0];
  });
  const double ratio = report("apply + RGB32", fused, in + pixels * 4, 1);
  std::printf("  => %d x %d, %s: apply + RGB32 takes %.2f x the time of memcpy of its %zu input + output bytes\n",
              width, height, effects::SimdLevelName(effects::ActiveSimdLevel()), ratio, in + pixels * 4);
}

// "N cores, <model name>" from the operating system, or what is known.
std::string MachineName() {
  std::string model = "unknown CPU";
  if (FILE* f = std::fopen("/proc/cpuinfo", "r")) {
    char line[512];
    while (std::fgets(line, sizeof line, f)) {
      if (std::strncmp(line, "model name", 10) == 0) {
        const char* colon = std::strchr(line, ':');
        if (colon != nullptr) {
          model = colon + 1;
          while (!model.empty() && (model.front() == ' ' || model.front() == '\t')) model.erase(0, 1);
          while (!model.empty() && (model.back() == '\n' || model.back() == ' ')) model.pop_back();
        }
        break;
      }
    }
    std::fclose(f);
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return std::to_string(cores) + " cores, " + model;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<effects::SimdLevel> levels = {effects::DetectedSimdLevel()};
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--level" && i + 1 < argc) {
      const std::string v = argv[++i];
      if (v == "all") {
        levels.clear();
        for (int l = 0; l <= static_cast<int>(effects::DetectedSimdLevel()); ++l)
          levels.push_back(static_cast<effects::SimdLevel>(l));
      } else if (v == "plain" || v == "sse2" || v == "avx2") {
        levels = {v == "plain" ? effects::SimdLevel::kPlain
                               : v == "sse2" ? effects::SimdLevel::kSse2 : effects::SimdLevel::kAvx2};
      } else {
        std::fprintf(stderr, "bench_effects: unknown level '%s'\n", v.c_str());
        return 2;
      }
    } else if (a == "--seconds" && i + 1 < argc) {
      gSeconds = std::atof(argv[++i]);
      if (!(gSeconds > 0)) gSeconds = 0.3;
    } else {
      std::fprintf(stderr, "usage: bench_effects [--level plain|sse2|avx2|all] [--seconds S]\n");
      return 2;
    }
  }
  std::printf("bench_effects on %s\n", MachineName().c_str());
  std::printf("bench_effects: CPU offers %s; ratios are time / baseline time (below 1 is faster)\n",
              effects::SimdLevelName(effects::DetectedSimdLevel()));
  for (effects::SimdLevel level : levels) {
    RunSize(720, 576, level);
    RunSize(1920, 1080, level);
  }
  return 0;
}
