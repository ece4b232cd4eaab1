#pragma once
// Row kernels behind EffectTables and FrameConverter: the plain loops (the
// reference) and the packed ones picked at run time. Internal to the core.

#include <cstddef>
#include <cstdint>

#if defined(__i386__) || defined(__x86_64__)
#define EFFECTS_HAVE_X86_KERNELS 1
#endif

namespace effects {
namespace kernels {

struct EffectLookup {
  const uint8_t* luma;       // 256 entries
  const uint8_t* chromaU;    // [U * 256 + V]
  const uint8_t* chromaV;    // [U * 256 + V]
  const uint16_t* chromaUV;  // [U * 256 + V]: new U | new V << 8, the two lookups fused
};

// The chroma tables as the integer arithmetic that built them, and the luma
// table widened for vector gathers. With hue off the factors are 1024 and 0,
// with saturation off the gain is 256: both exact identities. The gain is
// clamped to -32768..32767, which changes no result: any non-zero chroma
// times a gain of that size already clamps to 0 or 255.
struct EffectMath {
  const int32_t* lumaWide;  // 256 entries: the luma table as 32-bit values
  const int32_t* lumaTerm;  // 256 entries: 298 x (luma - 16) + 128, the luma share of each RGB sum
  int32_t kc;               // hue factors, cos and sin x 1024 truncated
  int32_t ks;
  int32_t gain;  // saturation + 256, clamped
  // The luma table in the nibble form of LumaFromNibbles (kLumaNibbleBytes
  // bytes) when that form gives every entry; null otherwise, and the
  // kernels look lumaTerm up.
  const uint8_t* lumaNibbles;
};

// The luma table in a form 16-byte shuffles can evaluate: with y' = y ^ flip
// (flip 0 or 255, so that the table rises with y'), h = y' >> 4, l = y' & 15,
//   luma = max(min(P[h] + Q[l] + (RX[h] > RZ[l]), 255) - N[h], 0),
// the sums in bytes. For a table that is a clamped floor of an affine
// function this holds with Q[l] = floor(slope l), P[h] - N[h] the floor at
// the block's start and the carry ranking the fractional parts; the layout
// is flip x 16, P, N, Q, RX, RZ (16 bytes each).
constexpr size_t kLumaNibbleBytes = 96;
// One entry of that form, with the kernel's byte arithmetic.
int LumaFromNibbles(const uint8_t* nibbles, int y);

// The arithmetic for one pair, as the packed kernels do it: new U from U and
// V, then new V from the new U and V (what the chroma tables hold).
void ChromaMath(const EffectMath& m, int u, int v, int* uOut, int* vOut);

// Rewrites `pairs` Y0 U Y1 V pairs in place, as the tables say.
void ApplyPlain(uint8_t* frame, size_t pairs, const EffectLookup& t);
// The same result with three independent lookups per pair (luma, luma and
// the fused chroma pair) instead of four with the V lookup waiting on U.
void ApplyFused(uint8_t* frame, size_t pairs, const EffectLookup& t);

// Converts `pairs` whole pairs (2 x pairs pixels) of one kind 1..4.
void ConvertPairsPlain(int32_t kind, const uint8_t* src, size_t pairs, uint8_t* dst);
// Converts one pixel with the given luma and chroma.
void ConvertPixelPlain(int32_t kind, int y, int u, int v, uint8_t* dst);
void CopyPlain(const uint8_t* src, size_t bytes, uint8_t* dst);

#ifdef EFFECTS_HAVE_X86_KERNELS
// Packed kernels: they handle a leading multiple of their group size and
// return how many pairs (or bytes) they did; the caller finishes the rest.
size_t ConvertPairsSse2(int32_t kind, const uint8_t* src, size_t pairs, uint8_t* dst);
size_t ConvertPairsAvx2(int32_t kind, const uint8_t* src, size_t pairs, uint8_t* dst);
size_t CopySse2(const uint8_t* src, size_t bytes, uint8_t* dst);
size_t CopyAvx2(const uint8_t* src, size_t bytes, uint8_t* dst);
// The effect pass by arithmetic, in place, 8 pairs at a time.
size_t ApplyMathAvx2(uint8_t* frame, size_t pairs, const EffectMath& m);
// The effect pass and the RGB32 conversion in one go, 16 pairs at a time
// and a last 8 if there are: src is read once and dst written once, src is
// left as it is. The chroma of 16 pairs is computed at once in 16-bit lanes.
size_t ApplyConvertRgb32Avx2(const uint8_t* src, size_t pairs, uint8_t* dst, const EffectMath& m);
#endif

}  // namespace kernels
}  // namespace effects
