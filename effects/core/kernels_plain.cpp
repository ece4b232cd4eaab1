// The plain per-pixel loops: the reference every packed path must match.

#include "effects/core/pixel_kernels.h"

namespace effects {
namespace kernels {

namespace {

inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

}  // namespace

void ApplyPlain(uint8_t* frame, size_t pairs, const EffectLookup& t) {
  for (size_t k = 0; k < pairs; ++k) {
    uint8_t* p = frame + 4 * k;
    const unsigned u = p[1], v = p[3];
    p[0] = t.luma[p[0]];
    p[1] = t.chromaU[u * 256 + v];
    p[2] = t.luma[p[2]];
    // The V lookup takes the U just written.
    p[3] = t.chromaV[p[1] * 256u + v];
  }
}

void ApplyFused(uint8_t* frame, size_t pairs, const EffectLookup& t) {
  // Byte loads measured faster here than one 32-bit word with shifts.
  for (size_t k = 0; k < pairs; ++k) {
    uint8_t* p = frame + 4 * k;
    const unsigned y0 = p[0], u = p[1], y1 = p[2], v = p[3];
    const unsigned uv = t.chromaUV[u * 256 + v];
    p[0] = t.luma[y0];
    p[1] = static_cast<uint8_t>(uv);
    p[2] = t.luma[y1];
    p[3] = static_cast<uint8_t>(uv >> 8);
  }
}

void ChromaMath(const EffectMath& m, int u, int v, int* uOut, int* vOut) {
  const int32_t up = u - 128, vp = v - 128;
  const int32_t uRot = ((m.kc * up) >> 10) + ((m.ks * vp) >> 10);
  const int32_t newU = Clamp255(((uRot * m.gain) >> 8) + 128);
  const int32_t vRot = ((m.kc * vp) >> 10) - ((m.ks * (newU - 128)) >> 10);
  *uOut = newU;
  *vOut = Clamp255(((vRot * m.gain) >> 8) + 128);
}

int LumaFromNibbles(const uint8_t* n, int y) {
  const int yf = (y ^ n[0]) & 255, h = yf >> 4, l = yf & 15;
  const int carry = static_cast<int8_t>(n[64 + h]) > static_cast<int8_t>(n[80 + l]) ? 1 : 0;
  const int qc = (n[48 + l] + carry) & 255;  // a byte add, as the kernel's
  const int sum = n[16 + h] + qc > 255 ? 255 : n[16 + h] + qc;
  return sum - n[32 + h] < 0 ? 0 : sum - n[32 + h];
}

void ConvertPixelPlain(int32_t kind, int y, int u, int v, uint8_t* dst) {
  const int yp = y - 16, up = u - 128, vp = v - 128;
  const int r = Clamp255((298 * yp + 409 * vp + 128) >> 8);
  const int g = Clamp255((298 * yp - 208 * vp - 100 * up + 128) >> 8);
  const int b = Clamp255((298 * yp + 516 * up + 128) >> 8);
  switch (kind) {
    case 1:
      dst[0] = static_cast<uint8_t>(b);
      dst[1] = static_cast<uint8_t>(g);
      dst[2] = static_cast<uint8_t>(r);
      dst[3] = 0;
      break;
    case 2:
      dst[0] = static_cast<uint8_t>(b);
      dst[1] = static_cast<uint8_t>(g);
      dst[2] = static_cast<uint8_t>(r);
      break;
    case 3: {
      const unsigned w = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
      dst[0] = static_cast<uint8_t>(w);
      dst[1] = static_cast<uint8_t>(w >> 8);
      break;
    }
    case 4: {
      const unsigned w = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
      dst[0] = static_cast<uint8_t>(w);
      dst[1] = static_cast<uint8_t>(w >> 8);
      break;
    }
    default:
      break;
  }
}

void ConvertPairsPlain(int32_t kind, const uint8_t* src, size_t pairs, uint8_t* dst) {
  const size_t out = kind == 1 ? 4 : (kind == 2 ? 3 : 2);
  for (size_t k = 0; k < pairs; ++k) {
    const uint8_t* s = src + 4 * k;
    ConvertPixelPlain(kind, s[0], s[1], s[3], dst);
    ConvertPixelPlain(kind, s[2], s[1], s[3], dst + out);
    dst += 2 * out;
  }
}

void CopyPlain(const uint8_t* src, size_t bytes, uint8_t* dst) {
  for (size_t i = 0; i < bytes; ++i) dst[i] = src[i];
}

}  // namespace kernels
}  // namespace effects
