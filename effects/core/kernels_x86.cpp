// Packed SSE2 and AVX2 kernels. Each function carries its own target, so the
// rest of the program keeps the baseline instruction set and a CPU without
// AVX2 never runs a 256-bit instruction; the caller picks by cpuid.

#include "effects/core/pixel_kernels.h"

#ifdef EFFECTS_HAVE_X86_KERNELS

#include <immintrin.h>

// 32-bit Windows only promises 4-byte stack alignment to a callee; realign
// on entry so spilled vectors are safe.
#if defined(__i386__)
#define EFFECTS_ENTRY __attribute__((force_align_arg_pointer))
#else
#define EFFECTS_ENTRY
#endif
#define EFFECTS_SSE2 __attribute__((target("sse2")))
#define EFFECTS_AVX2 __attribute__((target("avx2")))
#define EFFECTS_INLINE inline __attribute__((always_inline))

namespace effects {
namespace kernels {

namespace {

// Two 16-bit coefficients for one pmaddwd lane pair: lo applies to the even
// lane, hi to the odd lane.
constexpr int Coefs(int lo, int hi) {
  return static_cast<int>((static_cast<unsigned>(hi & 0xFFFF) << 16) | static_cast<unsigned>(lo & 0xFFFF));
}

// ---------------------------------------------------------------- SSE2

// R, G, B as signed 16-bit values (before clamping) of 8 pixels (16 bytes).
EFFECTS_SSE2 EFFECTS_INLINE void Rgb16Sse2(__m128i s, __m128i* r, __m128i* g, __m128i* b) {
  const __m128i y = _mm_sub_epi16(_mm_and_si128(s, _mm_set1_epi16(0x00FF)), _mm_set1_epi16(16));
  const __m128i uv = _mm_sub_epi16(_mm_srli_epi16(s, 8), _mm_set1_epi16(128));  // U0 V0 U1 V1 ...
  const __m128i u = _mm_shufflehi_epi16(_mm_shufflelo_epi16(uv, _MM_SHUFFLE(2, 2, 0, 0)), _MM_SHUFFLE(2, 2, 0, 0));
  const __m128i v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(uv, _MM_SHUFFLE(3, 3, 1, 1)), _MM_SHUFFLE(3, 3, 1, 1));
  const __m128i one = _mm_set1_epi16(1);
  const __m128i yvLo = _mm_unpacklo_epi16(y, v), yvHi = _mm_unpackhi_epi16(y, v);
  const __m128i yuLo = _mm_unpacklo_epi16(y, u), yuHi = _mm_unpackhi_epi16(y, u);
  const __m128i u1Lo = _mm_unpacklo_epi16(u, one), u1Hi = _mm_unpackhi_epi16(u, one);
  const __m128i round = _mm_set1_epi32(128);
  const __m128i cR = _mm_set1_epi32(Coefs(298, 409));
  const __m128i cG = _mm_set1_epi32(Coefs(298, -208));
  const __m128i cGu = _mm_set1_epi32(Coefs(-100, 128));  // -100 U' + 128 x 1
  const __m128i cB = _mm_set1_epi32(Coefs(298, 516));
  *r = _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(yvLo, cR), round), 8),
                       _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(yvHi, cR), round), 8));
  *g = _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(yvLo, cG), _mm_madd_epi16(u1Lo, cGu)), 8),
                       _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(yvHi, cG), _mm_madd_epi16(u1Hi, cGu)), 8));
  *b = _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(yuLo, cB), round), 8),
                       _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(yuHi, cB), round), 8));
}

// B G R 0 of pixels 0-3 and 4-7.
EFFECTS_SSE2 EFFECTS_INLINE void Bgr0Sse2(__m128i r, __m128i g, __m128i b, __m128i* lo, __m128i* hi) {
  const __m128i bg = _mm_unpacklo_epi8(_mm_packus_epi16(b, b), _mm_packus_epi16(g, g));
  const __m128i r0 = _mm_unpacklo_epi8(_mm_packus_epi16(r, r), _mm_setzero_si128());
  *lo = _mm_unpacklo_epi16(bg, r0);
  *hi = _mm_unpackhi_epi16(bg, r0);
}

// Four B G R 0 pixels packed into the low 12 bytes.
EFFECTS_SSE2 EFFECTS_INLINE __m128i Pack24Sse2(__m128i x) {
  const __m128i keep0 = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
  // Per 64-bit lane: pixel a in bytes 0-2, pixel b moved from byte 4 to byte 3.
  const __m128i laneMaskHi =
      _mm_set_epi32(0x0000FFFF, static_cast<int>(0xFF000000u), 0x0000FFFF, static_cast<int>(0xFF000000u));
  const __m128i t = _mm_or_si128(_mm_and_si128(x, keep0), _mm_and_si128(_mm_srli_epi64(x, 8), laneMaskHi));
  // Lane 1's six bytes move down next to lane 0's.
  const __m128i bytes0to5 = _mm_set_epi32(0, 0, 0x0000FFFF, -1);
  const __m128i bytes6to11 = _mm_set_epi32(0, -1, static_cast<int>(0xFFFF0000u), 0);
  return _mm_or_si128(_mm_and_si128(t, bytes0to5), _mm_and_si128(_mm_srli_si128(t, 2), bytes6to11));
}

EFFECTS_SSE2 EFFECTS_INLINE __m128i Clamp255Sse2(__m128i x) {
  return _mm_min_epi16(_mm_max_epi16(x, _mm_setzero_si128()), _mm_set1_epi16(255));
}

}  // namespace

EFFECTS_ENTRY EFFECTS_SSE2 size_t ConvertPairsSse2(int32_t kind, const uint8_t* src, size_t pairs, uint8_t* dst) {
  const size_t groups = pairs / 4;  // 8 pixels, 16 source bytes
  for (size_t i = 0; i < groups; ++i, src += 16) {
    __m128i r, g, b;
    Rgb16Sse2(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), &r, &g, &b);
    switch (kind) {
      case 1: {
        __m128i lo, hi;
        Bgr0Sse2(r, g, b, &lo, &hi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), hi);
        dst += 32;
        break;
      }
      case 2: {
        __m128i lo, hi;
        Bgr0Sse2(r, g, b, &lo, &hi);
        const __m128i c0 = Pack24Sse2(lo), c1 = Pack24Sse2(hi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_or_si128(c0, _mm_slli_si128(c1, 12)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 16), _mm_srli_si128(c1, 4));
        dst += 24;
        break;
      }
      case 3: {
        r = Clamp255Sse2(r);
        g = Clamp255Sse2(g);
        b = Clamp255Sse2(b);
        const __m128i w =
            _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_slli_epi16(r, 8), _mm_set1_epi16(static_cast<short>(0xF800))),
                                      _mm_and_si128(_mm_slli_epi16(g, 3), _mm_set1_epi16(0x07E0))),
                         _mm_srli_epi16(b, 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), w);
        dst += 16;
        break;
      }
      case 4: {
        r = Clamp255Sse2(r);
        g = Clamp255Sse2(g);
        b = Clamp255Sse2(b);
        const __m128i w = _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_slli_epi16(r, 7), _mm_set1_epi16(0x7C00)),
                                                    _mm_and_si128(_mm_slli_epi16(g, 2), _mm_set1_epi16(0x03E0))),
                                       _mm_srli_epi16(b, 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), w);
        dst += 16;
        break;
      }
      default:
        return 0;
    }
  }
  return groups * 4;
}

EFFECTS_ENTRY EFFECTS_SSE2 size_t CopySse2(const uint8_t* src, size_t bytes, uint8_t* dst) {
  size_t i = 0;
  for (; i + 64 <= bytes; i += 64) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 32));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 48));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), a);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 16), b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 32), c);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 48), d);
  }
  for (; i + 16 <= bytes; i += 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
  return i;
}

// ---------------------------------------------------------------- AVX2

namespace {

// The SSE2 computation on both 128-bit halves: 16 pixels, still in order
// (pixels 0-7 in the low half, 8-15 in the high half).
EFFECTS_AVX2 EFFECTS_INLINE void Rgb16Avx2(__m256i s, __m256i* r, __m256i* g, __m256i* b) {
  const __m256i y = _mm256_sub_epi16(_mm256_and_si256(s, _mm256_set1_epi16(0x00FF)), _mm256_set1_epi16(16));
  const __m256i uv = _mm256_sub_epi16(_mm256_srli_epi16(s, 8), _mm256_set1_epi16(128));
  const __m256i u =
      _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(uv, _MM_SHUFFLE(2, 2, 0, 0)), _MM_SHUFFLE(2, 2, 0, 0));
  const __m256i v =
      _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(uv, _MM_SHUFFLE(3, 3, 1, 1)), _MM_SHUFFLE(3, 3, 1, 1));
  const __m256i one = _mm256_set1_epi16(1);
  const __m256i yvLo = _mm256_unpacklo_epi16(y, v), yvHi = _mm256_unpackhi_epi16(y, v);
  const __m256i yuLo = _mm256_unpacklo_epi16(y, u), yuHi = _mm256_unpackhi_epi16(y, u);
  const __m256i u1Lo = _mm256_unpacklo_epi16(u, one), u1Hi = _mm256_unpackhi_epi16(u, one);
  const __m256i round = _mm256_set1_epi32(128);
  const __m256i cR = _mm256_set1_epi32(Coefs(298, 409));
  const __m256i cG = _mm256_set1_epi32(Coefs(298, -208));
  const __m256i cGu = _mm256_set1_epi32(Coefs(-100, 128));
  const __m256i cB = _mm256_set1_epi32(Coefs(298, 516));
  *r = _mm256_packs_epi32(_mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(yvLo, cR), round), 8),
                          _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(yvHi, cR), round), 8));
  *g = _mm256_packs_epi32(
      _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(yvLo, cG), _mm256_madd_epi16(u1Lo, cGu)), 8),
      _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(yvHi, cG), _mm256_madd_epi16(u1Hi, cGu)), 8));
  *b = _mm256_packs_epi32(_mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(yuLo, cB), round), 8),
                          _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(yuHi, cB), round), 8));
}

// B G R 0 per half: lo holds pixels 0-3 | 8-11, hi holds 4-7 | 12-15.
EFFECTS_AVX2 EFFECTS_INLINE void Bgr0Avx2(__m256i r, __m256i g, __m256i b, __m256i* lo, __m256i* hi) {
  const __m256i bg = _mm256_unpacklo_epi8(_mm256_packus_epi16(b, b), _mm256_packus_epi16(g, g));
  const __m256i r0 = _mm256_unpacklo_epi8(_mm256_packus_epi16(r, r), _mm256_setzero_si256());
  *lo = _mm256_unpacklo_epi16(bg, r0);
  *hi = _mm256_unpackhi_epi16(bg, r0);
}

EFFECTS_AVX2 EFFECTS_INLINE __m256i Clamp255Avx2(__m256i x) {
  return _mm256_min_epi16(_mm256_max_epi16(x, _mm256_setzero_si256()), _mm256_set1_epi16(255));
}

// Writes 8 pairs (16 pixels) of B G R 0 from their luma shares l0 (first
// pixel of each pair) and l1 (second pixel), 298 x (Y - 16) + 128 per 32-bit
// lane, and their chroma as (U - 128) in the low and (V - 128) in the high
// 16 bits of each lane, one pair per lane as the source holds them. The
// unpacks leave pixels 0-3 | 8-11 and 4-7 | 12-15; four 16-byte stores put
// them in order without a lane-crossing shuffle.
EFFECTS_AVX2 EFFECTS_INLINE void StoreRgb32Avx2(__m256i l0, __m256i l1, __m256i uv, uint8_t* dst) {
  const __m256i cR = _mm256_set1_epi32(Coefs(0, 409));
  const __m256i cG = _mm256_set1_epi32(Coefs(-100, -208));
  const __m256i cB = _mm256_set1_epi32(Coefs(516, 0));
  const __m256i highByte = _mm256_set1_epi16(static_cast<short>(0xFF00));
  const __m256i cr = _mm256_madd_epi16(uv, cR), cg = _mm256_madd_epi16(uv, cG), cb = _mm256_madd_epi16(uv, cB);
  // The unsigned pack clamps each sum to 0..65535; its high byte is then the
  // clamped sum >> 8. Words per lane: first pixels of 4 pairs, then their
  // second pixels.
  const __m256i bw = _mm256_packus_epi32(_mm256_add_epi32(l0, cb), _mm256_add_epi32(l1, cb));
  const __m256i gw = _mm256_packus_epi32(_mm256_add_epi32(l0, cg), _mm256_add_epi32(l1, cg));
  const __m256i rw = _mm256_packus_epi32(_mm256_add_epi32(l0, cr), _mm256_add_epi32(l1, cr));
  const __m256i bg = _mm256_or_si256(_mm256_srli_epi16(bw, 8), _mm256_and_si256(gw, highByte));
  const __m256i r0 = _mm256_srli_epi16(rw, 8);
  const __m256i first = _mm256_unpacklo_epi16(bg, r0), second = _mm256_unpackhi_epi16(bg, r0);
  const __m256i lo = _mm256_unpacklo_epi32(first, second), hi = _mm256_unpackhi_epi32(first, second);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm256_castsi256_si128(lo));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), _mm256_castsi256_si128(hi));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32), _mm256_extracti128_si256(lo, 1));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 48), _mm256_extracti128_si256(hi, 1));
}

// 32 source bytes: 8 pairs, one per 32-bit lane.
EFFECTS_AVX2 EFFECTS_INLINE __m256i LoadPairsAvx2(const uint8_t* src) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
}

// RGB32 without effects: the luma shares by pmaddwd of Y0 and Y1, the
// chroma straight from the source.
EFFECTS_AVX2 EFFECTS_INLINE size_t ConvertRgb32Avx2(const uint8_t* src, size_t pairs, uint8_t* dst) {
  const size_t groups = pairs / 8;
  const __m256i yMask = _mm256_set1_epi32(0x00FF00FF), c128 = _mm256_set1_epi16(128);
  const __m256i y0 = _mm256_set1_epi32(Coefs(298, 0)), y1 = _mm256_set1_epi32(Coefs(0, 298));
  const __m256i offset = _mm256_set1_epi32(128 - 298 * 16);
  for (size_t i = 0; i < groups; ++i, src += 32, dst += 64) {
    const __m256i s = LoadPairsAvx2(src);
    const __m256i y = _mm256_and_si256(s, yMask);
    const __m256i l0 = _mm256_add_epi32(_mm256_madd_epi16(y, y0), offset);
    const __m256i l1 = _mm256_add_epi32(_mm256_madd_epi16(y, y1), offset);
    StoreRgb32Avx2(l0, l1, _mm256_sub_epi16(_mm256_srli_epi16(s, 8), c128), dst);
  }
  return groups * 8;
}

}  // namespace

EFFECTS_ENTRY EFFECTS_AVX2 size_t ConvertPairsAvx2(int32_t kind, const uint8_t* src, size_t pairs, uint8_t* dst) {
  if (kind == 1) return ConvertRgb32Avx2(src, pairs, dst);
  const size_t groups = pairs / 8;  // 16 pixels, 32 source bytes
  const __m256i squeeze24 = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                             0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  for (size_t i = 0; i < groups; ++i, src += 32) {
    __m256i r, g, b;
    Rgb16Avx2(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src)), &r, &g, &b);
    switch (kind) {
      case 2: {
        __m256i lo, hi;
        Bgr0Avx2(r, g, b, &lo, &hi);
        lo = _mm256_shuffle_epi8(lo, squeeze24);
        hi = _mm256_shuffle_epi8(hi, squeeze24);
        const __m128i c0 = _mm256_castsi256_si128(lo), c1 = _mm256_castsi256_si128(hi);
        const __m128i c2 = _mm256_extracti128_si256(lo, 1), c3 = _mm256_extracti128_si256(hi, 1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_or_si128(c0, _mm_slli_si128(c1, 12)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16),
                         _mm_or_si128(_mm_srli_si128(c1, 4), _mm_slli_si128(c2, 8)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32),
                         _mm_or_si128(_mm_srli_si128(c2, 8), _mm_slli_si128(c3, 4)));
        dst += 48;
        break;
      }
      case 3: {
        r = Clamp255Avx2(r);
        g = Clamp255Avx2(g);
        b = Clamp255Avx2(b);
        const __m256i w = _mm256_or_si256(
            _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi16(r, 8), _mm256_set1_epi16(static_cast<short>(0xF800))),
                            _mm256_and_si256(_mm256_slli_epi16(g, 3), _mm256_set1_epi16(0x07E0))),
            _mm256_srli_epi16(b, 3));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), w);
        dst += 32;
        break;
      }
      case 4: {
        r = Clamp255Avx2(r);
        g = Clamp255Avx2(g);
        b = Clamp255Avx2(b);
        const __m256i w =
            _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(_mm256_slli_epi16(r, 7), _mm256_set1_epi16(0x7C00)),
                                            _mm256_and_si256(_mm256_slli_epi16(g, 2), _mm256_set1_epi16(0x03E0))),
                            _mm256_srli_epi16(b, 3));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), w);
        dst += 32;
        break;
      }
      default:
        return 0;
    }
  }
  return groups * 8;
}

EFFECTS_ENTRY EFFECTS_AVX2 size_t CopyAvx2(const uint8_t* src, size_t bytes, uint8_t* dst) {
  size_t i = 0;
  for (; i + 128 <= bytes; i += 128) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i + 32));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i + 64));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i + 96));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i + 32), b);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i + 64), c);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i + 96), d);
  }
  for (; i + 32 <= bytes; i += 32)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i)));
  return i;
}

// ---------------------------------------------------------------- AVX2 effects

namespace {

// New U and V of 8 pairs, one pair per 32-bit lane (Y0 | U << 8 | Y1 << 16 |
// V << 24), as 0..255 in each lane. The steps are the table build's:
// - (k x c) >> 10 is pmulhw of 16 k and 4 c: the high half of 64 k c, the
//   same floor (|16 k| <= 16384, |4 c| <= 512);
// - (x x gain) >> 8 is pmaddwd of x with the gain, then an arithmetic shift
//   (|x| <= 256, gain -32768..32767, so the product fits 32 bits).
// Values between the steps live in the low 16 bits of each lane; the high
// halves of the factors are 0, so the high halves add nothing.
// kc16 and ks16 hold 16 kc and 16 ks, gain the gain, in each lane's low half.
EFFECTS_AVX2 EFFECTS_INLINE void ChromaAvx2(__m256i s, __m256i kc16, __m256i ks16, __m256i gain, __m256i* uNew,
                                            __m256i* vNew) {
  const __m256i c128 = _mm256_set1_epi32(128), c255 = _mm256_set1_epi32(255), zero = _mm256_setzero_si256();
  const __m256i mask4 = _mm256_set1_epi32(0x3FC), c512 = _mm256_set1_epi32(512);
  const __m256i u4 = _mm256_sub_epi32(_mm256_and_si256(_mm256_srli_epi32(s, 6), mask4), c512);   // 4 (U - 128)
  const __m256i v4 = _mm256_sub_epi32(_mm256_and_si256(_mm256_srli_epi32(s, 22), mask4), c512);  // 4 (V - 128)
  const __m256i uRot = _mm256_add_epi16(_mm256_mulhi_epi16(u4, kc16), _mm256_mulhi_epi16(v4, ks16));
  const __m256i un = _mm256_min_epi32(
      _mm256_max_epi32(_mm256_add_epi32(_mm256_srai_epi32(_mm256_madd_epi16(uRot, gain), 8), c128), zero), c255);
  __m256i u2 = _mm256_sub_epi32(un, c128);
  u2 = _mm256_add_epi32(u2, u2);
  u2 = _mm256_add_epi32(u2, u2);  // 4 (new U - 128)
  const __m256i vRot = _mm256_sub_epi16(_mm256_mulhi_epi16(v4, kc16), _mm256_mulhi_epi16(u2, ks16));
  *uNew = un;
  *vNew = _mm256_min_epi32(
      _mm256_max_epi32(_mm256_add_epi32(_mm256_srai_epi32(_mm256_madd_epi16(vRot, gain), 8), c128), zero), c255);
}

// A value for the low half of every 32-bit lane, 0 in the high half.
EFFECTS_AVX2 EFFECTS_INLINE __m256i Low16Avx2(int32_t k) { return _mm256_set1_epi32(k & 0xFFFF); }

}  // namespace

EFFECTS_ENTRY EFFECTS_AVX2 size_t ApplyMathAvx2(uint8_t* frame, size_t pairs, const EffectMath& m) {
  const size_t groups = pairs / 8;
  const __m256i kc = Low16Avx2(16 * m.kc), ks = Low16Avx2(16 * m.ks), gain = Low16Avx2(m.gain);
  const __m256i byte = _mm256_set1_epi32(0xFF);
  const int* luma = reinterpret_cast<const int*>(m.lumaWide);
  for (size_t i = 0; i < groups; ++i, frame += 32) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(frame));
    __m256i u, v;
    ChromaAvx2(s, kc, ks, gain, &u, &v);
    const __m256i y0 = _mm256_i32gather_epi32(luma, _mm256_and_si256(s, byte), 4);
    const __m256i y1 = _mm256_i32gather_epi32(luma, _mm256_and_si256(_mm256_srli_epi32(s, 16), byte), 4);
    const __m256i out = _mm256_or_si256(_mm256_or_si256(y0, _mm256_slli_epi32(u, 8)),
                                        _mm256_or_si256(_mm256_slli_epi32(y1, 16), _mm256_slli_epi32(v, 24)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(frame), out);
  }
  return groups * 8;
}

namespace {

// The saturation step for 16-bit lanes: clamp(floor(x * gain / 256), -128,
// 127), which is the tables' clamp(((x * gain) >> 8) + 128) less 128, for
// any |x| <= 256 (what the hue step gives). x << a times gain << b with
// a + b = 8 keeps the full product, and pmulhw takes its floor >> 16; b is
// the largest shift (at most 8) that keeps gain << b in 16 bits. For
// |gain| >= 8192 (a >= 7) x << a would overflow, so x is clamped first to
// what fits: any x that clamp moves gives at least 255 x 8192 / 256 in
// magnitude either way, so both clamp to the same end.
struct SaturationAvx2 {
  __m128i shift;       // a
  __m256i scaledGain;  // gain << b
  __m256i lowest;      // what x may be before the shift
  __m256i highest;
  bool needsClamp;  // a >= 7
};

EFFECTS_AVX2 EFFECTS_INLINE SaturationAvx2 SaturationFor(int32_t gain) {
  int b = 8;
  while (b > 0 && (gain * (1 << b) > 32767 || gain * (1 << b) < -32768)) --b;
  const int a = 8 - b;
  SaturationAvx2 s;
  s.shift = _mm_cvtsi32_si128(a);
  s.scaledGain = _mm256_set1_epi16(static_cast<short>(gain * (1 << b)));
  s.lowest = _mm256_set1_epi16(static_cast<short>(-(32768 >> a)));
  s.highest = _mm256_set1_epi16(static_cast<short>(32767 >> a));
  s.needsClamp = a >= 7;
  return s;
}

template <bool kClampFirst>
EFFECTS_AVX2 EFFECTS_INLINE __m256i Saturate16Avx2(__m256i x, const SaturationAvx2& s) {
  if (kClampFirst) x = _mm256_min_epi16(_mm256_max_epi16(x, s.lowest), s.highest);
  const __m256i y = _mm256_mulhi_epi16(_mm256_sll_epi16(x, s.shift), s.scaledGain);
  return _mm256_min_epi16(_mm256_max_epi16(y, _mm256_set1_epi16(-128)), _mm256_set1_epi16(127));
}

// New U - 128 and new V - 128 of 16 pairs, a and b as LoadPairsAvx2 gives
// them, interleaved per pair for StoreRgb32Avx2: *uvA for the pairs of a,
// *uvB for those of b. The hue step is ChromaAvx2's pmulhw of 16 k and
// 4 (c - 128), here on 16 pairs in 16-bit lanes.
template <bool kClampFirst>
EFFECTS_AVX2 EFFECTS_INLINE void Chroma16Avx2(__m256i a, __m256i b, __m256i kc16, __m256i ks16,
                                              const SaturationAvx2& sat, __m256i* uvA, __m256i* uvB) {
  // U and V of each pair into the high byte of a word, less 128 (the xor),
  // U words in the low 8 bytes of each lane, V words in the high 8.
  const __m256i flip = _mm256_set1_epi32(static_cast<int>(0x80008000u));
  const __m256i split = _mm256_setr_epi8(-1, 1, -1, 5, -1, 9, -1, 13, -1, 3, -1, 7, -1, 11, -1, 15,  //
                                         -1, 1, -1, 5, -1, 9, -1, 13, -1, 3, -1, 7, -1, 11, -1, 15);
  const __m256i ta = _mm256_shuffle_epi8(_mm256_xor_si256(a, flip), split);
  const __m256i tb = _mm256_shuffle_epi8(_mm256_xor_si256(b, flip), split);
  const __m256i u4 = _mm256_srai_epi16(_mm256_unpacklo_epi64(ta, tb), 6);  // 4 (U - 128)
  const __m256i v4 = _mm256_srai_epi16(_mm256_unpackhi_epi64(ta, tb), 6);  // 4 (V - 128)
  const __m256i uRot = _mm256_add_epi16(_mm256_mulhi_epi16(u4, kc16), _mm256_mulhi_epi16(v4, ks16));
  const __m256i u = Saturate16Avx2<kClampFirst>(uRot, sat);
  const __m256i vRot =
      _mm256_sub_epi16(_mm256_mulhi_epi16(v4, kc16), _mm256_mulhi_epi16(_mm256_slli_epi16(u, 2), ks16));
  const __m256i v = Saturate16Avx2<kClampFirst>(vRot, sat);
  *uvA = _mm256_unpacklo_epi16(u, v);
  *uvB = _mm256_unpackhi_epi16(u, v);
}

// The luma shares of the two pixels of 8 pairs from the lumaTerm table.
EFFECTS_AVX2 EFFECTS_INLINE void LumaTermsAvx2(__m256i s, const int* lumaTerm, __m256i* l0, __m256i* l1) {
  const __m256i byte = _mm256_set1_epi32(0xFF);
  *l0 = _mm256_i32gather_epi32(lumaTerm, _mm256_and_si256(s, byte), 4);
  *l1 = _mm256_i32gather_epi32(lumaTerm, _mm256_and_si256(_mm256_srli_epi32(s, 16), byte), 4);
}

// The luma nibble form (see LumaFromNibbles), each 16-byte piece in both
// lanes.
struct LumaNibblesAvx2 {
  __m256i flip, p, n, q, rx, rz;
};

EFFECTS_AVX2 EFFECTS_INLINE __m256i Both128Avx2(const uint8_t* p) {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

EFFECTS_AVX2 EFFECTS_INLINE LumaNibblesAvx2 LoadLumaNibbles(const uint8_t* n) {
  return {Both128Avx2(n),      Both128Avx2(n + 16), Both128Avx2(n + 32),
          Both128Avx2(n + 48), Both128Avx2(n + 64), Both128Avx2(n + 80)};
}

// The luma shares of 16 pairs, a and b as loaded, from the nibble form:
// the 32 Y bytes go through six byte shuffles at once instead of four
// gathers.
EFFECTS_AVX2 EFFECTS_INLINE void NibbleLumaTermsAvx2(__m256i a, __m256i b, const LumaNibblesAvx2& t, __m256i* l0a,
                                                     __m256i* l1a, __m256i* l0b, __m256i* l1b) {
  const __m256i low = _mm256_set1_epi16(0x00FF), nibble = _mm256_set1_epi8(0x0F);
  // Y bytes per lane: the lane's 8 of a, then its 8 of b.
  const __m256i y = _mm256_xor_si256(_mm256_packus_epi16(_mm256_and_si256(a, low), _mm256_and_si256(b, low)), t.flip);
  const __m256i h = _mm256_and_si256(_mm256_srli_epi16(y, 4), nibble), l = _mm256_and_si256(y, nibble);
  const __m256i carry = _mm256_cmpgt_epi8(_mm256_shuffle_epi8(t.rx, h), _mm256_shuffle_epi8(t.rz, l));  // 0 or -1
  const __m256i q = _mm256_sub_epi8(_mm256_shuffle_epi8(t.q, l), carry);
  const __m256i luma = _mm256_subs_epu8(_mm256_adds_epu8(_mm256_shuffle_epi8(t.p, h), q), _mm256_shuffle_epi8(t.n, h));
  // Back to Y0 | Y1 << 16 per pair, then 298 x (luma - 16) + 128 by pmaddwd.
  const __m256i la = _mm256_unpacklo_epi8(luma, _mm256_setzero_si256());
  const __m256i lb = _mm256_unpackhi_epi8(luma, _mm256_setzero_si256());
  const __m256i first = _mm256_set1_epi32(Coefs(298, 0)), second = _mm256_set1_epi32(Coefs(0, 298));
  const __m256i offset = _mm256_set1_epi32(128 - 298 * 16);
  *l0a = _mm256_add_epi32(_mm256_madd_epi16(la, first), offset);
  *l1a = _mm256_add_epi32(_mm256_madd_epi16(la, second), offset);
  *l0b = _mm256_add_epi32(_mm256_madd_epi16(lb, first), offset);
  *l1b = _mm256_add_epi32(_mm256_madd_epi16(lb, second), offset);
}

template <bool kClampFirst, bool kNibbles>
EFFECTS_AVX2 EFFECTS_INLINE size_t ApplyConvertRgb32Loop(const uint8_t* src, size_t pairs, uint8_t* dst,
                                                         const EffectMath& m, const SaturationAvx2& sat) {
  const __m256i kc16 = _mm256_set1_epi16(static_cast<short>(16 * m.kc));
  const __m256i ks16 = _mm256_set1_epi16(static_cast<short>(16 * m.ks));
  const int* lumaTerm = reinterpret_cast<const int*>(m.lumaTerm);
  size_t done = 0;
  LumaNibblesAvx2 nibbles{};
  if (kNibbles) nibbles = LoadLumaNibbles(m.lumaNibbles);
  // 16 pairs, or a last 8 with b a copy of a (its results unused).
  auto group = [&](const uint8_t* from, uint8_t* to, bool full) EFFECTS_AVX2 {
    const __m256i a = LoadPairsAvx2(from), b = full ? LoadPairsAvx2(from + 32) : a;
    __m256i uvA, uvB, l0a, l1a, l0b, l1b;
    Chroma16Avx2<kClampFirst>(a, b, kc16, ks16, sat, &uvA, &uvB);
    if (kNibbles) {
      NibbleLumaTermsAvx2(a, b, nibbles, &l0a, &l1a, &l0b, &l1b);
    } else {
      LumaTermsAvx2(a, lumaTerm, &l0a, &l1a);
      if (full) LumaTermsAvx2(b, lumaTerm, &l0b, &l1b);
    }
    StoreRgb32Avx2(l0a, l1a, uvA, to);
    if (full) StoreRgb32Avx2(l0b, l1b, uvB, to + 64);
  };
  for (; done + 16 <= pairs; done += 16, src += 64, dst += 128) group(src, dst, true);
  if (done + 8 <= pairs) {
    group(src, dst, false);
    done += 8;
  }
  return done;
}

}  // namespace

EFFECTS_ENTRY EFFECTS_AVX2 size_t ApplyConvertRgb32Avx2(const uint8_t* src, size_t pairs, uint8_t* dst,
                                                        const EffectMath& m) {
  const SaturationAvx2 sat = SaturationFor(m.gain);
  if (m.lumaNibbles != nullptr) {
    if (sat.needsClamp) return ApplyConvertRgb32Loop<true, true>(src, pairs, dst, m, sat);
    return ApplyConvertRgb32Loop<false, true>(src, pairs, dst, m, sat);
  }
  if (sat.needsClamp) return ApplyConvertRgb32Loop<true, false>(src, pairs, dst, m, sat);
  return ApplyConvertRgb32Loop<false, false>(src, pairs, dst, m, sat);
}

}  // namespace kernels
}  // namespace effects

#endif  // EFFECTS_HAVE_X86_KERNELS
