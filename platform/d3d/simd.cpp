#include "platform/d3d/simd.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace platform::raster::simd {

#if defined(__SSE2__)

namespace {

// floor(m / 255) for 0 ≤ m < 65535.
inline __m128i Div255Small(__m128i m) {
  const __m128i one = _mm_set1_epi32(1);
  return _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(m, one), _mm_srli_epi32(m, 8)), 8);
}

// floor(m / 255) for 0 ≤ m < 2^18: the estimate above, refined once.
inline __m128i Div255(__m128i m) {
  const __m128i m1 = _mm_add_epi32(m, _mm_set1_epi32(1));
  const __m128i q = _mm_srli_epi32(_mm_add_epi32(m1, _mm_srli_epi32(m, 8)), 8);
  return _mm_srli_epi32(_mm_add_epi32(m1, q), 8);
}

// Lanes of 0..32767 times lanes of any 16-bit value: with the upper halves of
// the first operand zero, the pair sum of pmaddwd is the one product.
inline __m128i Mul(__m128i small, __m128i any) { return _mm_madd_epi16(small, any); }

// Clamped to 0..255 through the saturating packs, then widened again.
inline __m128i Clamp255(__m128i v) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(v, v), zero);
  return _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero);
}

inline __m128i Channel(__m128i argb, int shift) {
  return _mm_and_si128(_mm_srli_epi32(argb, shift), _mm_set1_epi32(255));
}

// Four pixels of 0..255 (or more: saturated) channels packed as 0x00RRGGBB.
inline __m128i PackRgb(__m128i r, __m128i g, __m128i b) {
  const __m128i zero = _mm_setzero_si128();
  // Bytes b0..b3 r0..r3 g0..g3 0..0, then interleaved into b g r 0.
  const __m128i x = _mm_packus_epi16(_mm_packs_epi32(b, r), _mm_packs_epi32(g, zero));
  const __m128i y = _mm_unpacklo_epi8(x, _mm_srli_si128(x, 8));
  return _mm_unpacklo_epi16(y, _mm_srli_si128(y, 8));
}

// (u·size − ½)·256 as the scalar sampler's fixed point: clamped to ±2^38,
// offset by 2^40 and truncated; only the low 32 bits are kept. The scalar
// code scales by 256 after the subtraction and the clamp; scaling first by
// a power of two rounds the same and clamps the same.
inline __m128i FixedCoordinate(__m128 f, __m128d scale) {
  const __m128d half = _mm_set1_pd(128.0), lo = _mm_set1_pd(-274877906944.0),
                hi = _mm_set1_pd(274877906944.0), offset = _mm_set1_pd(1099511627776.0),
                magic = _mm_set1_pd(4503599627370496.0);  // 2^38, 2^40, 2^52
  __m128d bits[2], up[2];
  const __m128d d[2] = {_mm_cvtps_pd(f), _mm_cvtps_pd(_mm_movehl_ps(f, f))};
  for (int k = 0; k < 2; ++k) {
    __m128d t = _mm_sub_pd(_mm_mul_pd(d[k], scale), half);
    t = _mm_min_pd(_mm_max_pd(t, lo), hi);  // NaN goes to lo, as in the scalar code
    t = _mm_add_pd(t, offset);
    // t + 2^52 holds t rounded to an integer in its low mantissa bits; one
    // less where that rounded up gives the truncation (t is positive).
    bits[k] = _mm_add_pd(t, magic);
    up[k] = _mm_cmpgt_pd(_mm_sub_pd(bits[k], magic), t);
  }
  auto low32 = [](__m128d a, __m128d b) {
    return _mm_castps_si128(
        _mm_shuffle_ps(_mm_castpd_ps(a), _mm_castpd_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
  };
  return _mm_add_epi32(low32(bits[0], bits[1]), low32(up[0], up[1]));
}

// Weights of four pixels (0..255 in 32-bit lanes) spread over each pixel's
// four 16-bit channels: pixels 0 and 1 in lo, 2 and 3 in hi.
inline void SpreadWeights(__m128i w, __m128i& lo, __m128i& hi) {
  const __m128i w16 = _mm_packs_epi32(w, w);
  const __m128i pairs = _mm_unpacklo_epi16(w16, w16);
  lo = _mm_unpacklo_epi32(pairs, pairs);
  hi = _mm_unpackhi_epi32(pairs, pairs);
}

// (a·(256 − w) + b·w + 128) >> 8 per 16-bit channel: the sums stay below
// 2^16, so the low halves of the products add up exactly.
inline __m128i Lerp(__m128i a, __m128i b, __m128i w, __m128i iw) {
  const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(a, iw), _mm_mullo_epi16(b, w));
  return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
}

}  // namespace

VectorLevel Supported() {
  static const VectorLevel level =
      __builtin_cpu_supports("avx2") ? VectorLevel::Avx2 : VectorLevel::Sse2;
  return level;
}

void Ramp255(std::int32_t start, std::int32_t step, int n, std::int32_t* out) {
  // The planes are bounded so that a chunk's steps stay inside 32 bits.
  const auto s = static_cast<std::uint32_t>(start), d = static_cast<std::uint32_t>(step);
  __m128i v = _mm_setr_epi32(static_cast<int>(s), static_cast<int>(s + d),
                             static_cast<int>(s + 2 * d), static_cast<int>(s + 3 * d));
  const __m128i d4 = _mm_set1_epi32(static_cast<int>(4 * d));
  // A ramp is monotonic: when both ends lie in 0..255, so does every step.
  const auto last = static_cast<std::int32_t>(s + static_cast<std::uint32_t>(Lanes(n) - 1) * d);
  if ((start >> 16) >= 0 && (start >> 16) <= 255 && (last >> 16) >= 0 && (last >> 16) <= 255) {
    for (int i = 0; i < n; i += 4) {
      _mm_store_si128(reinterpret_cast<__m128i*>(out + i), _mm_srai_epi32(v, 16));
      v = _mm_add_epi32(v, d4);
    }
    return;
  }
  for (int i = 0; i < n; i += 4) {
    _mm_store_si128(reinterpret_cast<__m128i*>(out + i), Clamp255(_mm_srai_epi32(v, 16)));
    v = _mm_add_epi32(v, d4);
  }
}

void RampFloat(float start, float step, int n, float* out) {
  const __m128 s = _mm_set1_ps(start), d = _mm_set1_ps(step);
  __m128i i4 = _mm_setr_epi32(0, 1, 2, 3);
  const __m128i four = _mm_set1_epi32(4);
  for (int i = 0; i < n; i += 4) {
    _mm_store_ps(out + i, _mm_add_ps(s, _mm_mul_ps(_mm_cvtepi32_ps(i4), d)));
    i4 = _mm_add_epi32(i4, four);
  }
}

void BilinearWrapPow2(const TextureLevel& l, const float* u, const float* v, int n,
                      std::uint32_t* out) {
  const int shift = std::countr_zero(static_cast<unsigned>(l.width));
  const __m128i mx = _mm_set1_epi32(l.width - 1), my = _mm_set1_epi32(l.height - 1);
  const __m128i one = _mm_set1_epi32(1), byte = _mm_set1_epi32(255);
  const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(256);
  const __m128d sx = _mm_set1_pd(l.width * 256.0), sy = _mm_set1_pd(l.height * 256.0);
  const std::uint32_t* texels = l.texels.data();
  for (int i = 0; i < n; i += 4) {
    const __m128i ix = FixedCoordinate(_mm_load_ps(u + i), sx);
    const __m128i iy = FixedCoordinate(_mm_load_ps(v + i), sy);
    const __m128i x0 = _mm_and_si128(_mm_srli_epi32(ix, 8), mx);
    const __m128i y0 = _mm_and_si128(_mm_srli_epi32(iy, 8), my);
    const __m128i x1 = _mm_and_si128(_mm_add_epi32(x0, one), mx);
    const __m128i y1 = _mm_and_si128(_mm_add_epi32(y0, one), my);
    const __m128i row0 = _mm_slli_epi32(y0, shift), row1 = _mm_slli_epi32(y1, shift);
    __m128i t[4];  // the four texels of the pixels: top left, top right, bottom left, bottom right
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(x0, mx)) == 0) {
      // No pixel wraps across the right edge: each row's two texels are neighbours.
      alignas(16) std::int32_t at[2][4];
      _mm_store_si128(reinterpret_cast<__m128i*>(at[0]), _mm_add_epi32(row0, x0));
      _mm_store_si128(reinterpret_cast<__m128i*>(at[1]), _mm_add_epi32(row1, x0));
      for (int k = 0; k < 2; ++k) {
        auto pair = [&](int j) {
          return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(texels + at[k][j]));
        };
        const __m128 a = _mm_castsi128_ps(_mm_unpacklo_epi64(pair(0), pair(1)));
        const __m128 b = _mm_castsi128_ps(_mm_unpacklo_epi64(pair(2), pair(3)));
        t[2 * k] = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
        t[2 * k + 1] = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
      }
    } else {
      alignas(16) std::int32_t at[4][4];
      _mm_store_si128(reinterpret_cast<__m128i*>(at[0]), _mm_add_epi32(row0, x0));
      _mm_store_si128(reinterpret_cast<__m128i*>(at[1]), _mm_add_epi32(row0, x1));
      _mm_store_si128(reinterpret_cast<__m128i*>(at[2]), _mm_add_epi32(row1, x0));
      _mm_store_si128(reinterpret_cast<__m128i*>(at[3]), _mm_add_epi32(row1, x1));
      for (int k = 0; k < 4; ++k)
        t[k] = _mm_setr_epi32(
            static_cast<int>(texels[at[k][0]]), static_cast<int>(texels[at[k][1]]),
            static_cast<int>(texels[at[k][2]]), static_cast<int>(texels[at[k][3]]));
    }
    __m128i wxLo, wxHi, wyLo, wyHi;
    SpreadWeights(_mm_and_si128(ix, byte), wxLo, wxHi);
    SpreadWeights(_mm_and_si128(iy, byte), wyLo, wyHi);
    const __m128i ixLo = _mm_sub_epi16(full, wxLo), ixHi = _mm_sub_epi16(full, wxHi);
    const __m128i iyLo = _mm_sub_epi16(full, wyLo), iyHi = _mm_sub_epi16(full, wyHi);
    auto lo = [&](int k) { return _mm_unpacklo_epi8(t[k], zero); };
    auto hi = [&](int k) { return _mm_unpackhi_epi8(t[k], zero); };
    const __m128i outLo = Lerp(Lerp(lo(0), lo(1), wxLo, ixLo), Lerp(lo(2), lo(3), wxLo, ixLo),
                               wyLo, iyLo);
    const __m128i outHi = Lerp(Lerp(hi(0), hi(1), wxHi, ixHi), Lerp(hi(2), hi(3), wxHi, ixHi),
                               wyHi, iyHi);
    _mm_store_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(outLo, outHi));
  }
}

// The AVX2 loop: the same arithmetic on eight pixels, the texels gathered.
#define VOXA2_AVX2 __attribute__((target("avx2")))

namespace {

// Lanes 0 1 4 5 2 3 6 7 of an in-lane shuffle of two registers put in order.
VOXA2_AVX2 inline __m256i Ordered(__m256 x) {
  return _mm256_permute4x64_epi64(_mm256_castps_si256(x), _MM_SHUFFLE(3, 1, 2, 0));
}

// The low halves of the eight 64-bit lanes of a and b, in order.
VOXA2_AVX2 inline __m256i Low32(__m256d a, __m256d b) {
  return Ordered(
      _mm256_shuffle_ps(_mm256_castpd_ps(a), _mm256_castpd_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
}

VOXA2_AVX2 inline __m256i FixedCoordinate8(__m256 f, __m256d scale) {
  const __m256d half = _mm256_set1_pd(128.0), lo = _mm256_set1_pd(-274877906944.0),
                hi = _mm256_set1_pd(274877906944.0), offset = _mm256_set1_pd(1099511627776.0),
                magic = _mm256_set1_pd(4503599627370496.0);
  __m256d bits[2], up[2];
  const __m256d d[2] = {_mm256_cvtps_pd(_mm256_castps256_ps128(f)),
                        _mm256_cvtps_pd(_mm256_extractf128_ps(f, 1))};
  for (int k = 0; k < 2; ++k) {
    __m256d t = _mm256_sub_pd(_mm256_mul_pd(d[k], scale), half);
    t = _mm256_min_pd(_mm256_max_pd(t, lo), hi);
    t = _mm256_add_pd(t, offset);
    bits[k] = _mm256_add_pd(t, magic);
    up[k] = _mm256_cmp_pd(_mm256_sub_pd(bits[k], magic), t, _CMP_GT_OQ);
  }
  return _mm256_add_epi32(Low32(bits[0], bits[1]), Low32(up[0], up[1]));
}

VOXA2_AVX2 inline void SpreadWeights8(__m256i w, __m256i& lo, __m256i& hi) {
  const __m256i w16 = _mm256_packs_epi32(w, w);
  const __m256i pairs = _mm256_unpacklo_epi16(w16, w16);
  lo = _mm256_unpacklo_epi32(pairs, pairs);
  hi = _mm256_unpackhi_epi32(pairs, pairs);
}

VOXA2_AVX2 inline __m256i Lerp8(__m256i a, __m256i b, __m256i w, __m256i iw) {
  const __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(a, iw), _mm256_mullo_epi16(b, w));
  return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(128)), 8);
}

}  // namespace

VOXA2_AVX2 void BilinearWrapPow2Avx2(const TextureLevel& l, const float* u, const float* v, int n,
                                     std::uint32_t* out) {
  const int shift = std::countr_zero(static_cast<unsigned>(l.width));
  const __m256i mx = _mm256_set1_epi32(l.width - 1), my = _mm256_set1_epi32(l.height - 1);
  const __m256i one = _mm256_set1_epi32(1), byte = _mm256_set1_epi32(255);
  const __m256i zero = _mm256_setzero_si256(), full = _mm256_set1_epi16(256);
  const __m256d sx = _mm256_set1_pd(l.width * 256.0), sy = _mm256_set1_pd(l.height * 256.0);
  const int* texels = reinterpret_cast<const int*>(l.texels.data());
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i ix = FixedCoordinate8(_mm256_load_ps(u + i), sx);
    const __m256i iy = FixedCoordinate8(_mm256_load_ps(v + i), sy);
    const __m256i x0 = _mm256_and_si256(_mm256_srli_epi32(ix, 8), mx);
    const __m256i y0 = _mm256_and_si256(_mm256_srli_epi32(iy, 8), my);
    const __m256i x1 = _mm256_and_si256(_mm256_add_epi32(x0, one), mx);
    const __m256i y1 = _mm256_and_si256(_mm256_add_epi32(y0, one), my);
    const __m256i row0 = _mm256_slli_epi32(y0, shift), row1 = _mm256_slli_epi32(y1, shift);
    __m256i t[4];
    const __m256i wraps = _mm256_cmpeq_epi32(x0, mx);
    if (_mm256_testz_si256(wraps, wraps)) {
      // No pixel wraps across the right edge: a row's two texels are one
      // 64-bit neighbour pair, which halves the gathered elements.
      const auto* pairs = reinterpret_cast<const long long*>(texels);
      for (int k = 0; k < 2; ++k) {
        const __m256i at = _mm256_add_epi32(k ? row1 : row0, x0);
        const __m256 a = _mm256_castsi256_ps(
            _mm256_i32gather_epi64(pairs, _mm256_castsi256_si128(at), 4));
        const __m256 b = _mm256_castsi256_ps(
            _mm256_i32gather_epi64(pairs, _mm256_extracti128_si256(at, 1), 4));
        t[2 * k] = Ordered(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
        t[2 * k + 1] = Ordered(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
      }
    } else {
      t[0] = _mm256_i32gather_epi32(texels, _mm256_add_epi32(row0, x0), 4);
      t[1] = _mm256_i32gather_epi32(texels, _mm256_add_epi32(row0, x1), 4);
      t[2] = _mm256_i32gather_epi32(texels, _mm256_add_epi32(row1, x0), 4);
      t[3] = _mm256_i32gather_epi32(texels, _mm256_add_epi32(row1, x1), 4);
    }
    __m256i wxLo, wxHi, wyLo, wyHi;
    SpreadWeights8(_mm256_and_si256(ix, byte), wxLo, wxHi);
    SpreadWeights8(_mm256_and_si256(iy, byte), wyLo, wyHi);
    const __m256i ixLo = _mm256_sub_epi16(full, wxLo), ixHi = _mm256_sub_epi16(full, wxHi);
    const __m256i iyLo = _mm256_sub_epi16(full, wyLo), iyHi = _mm256_sub_epi16(full, wyHi);
    __m256i lo[4], hi[4];
    for (int k = 0; k < 4; ++k) {
      lo[k] = _mm256_unpacklo_epi8(t[k], zero);
      hi[k] = _mm256_unpackhi_epi8(t[k], zero);
    }
    const __m256i outLo =
        Lerp8(Lerp8(lo[0], lo[1], wxLo, ixLo), Lerp8(lo[2], lo[3], wxLo, ixLo), wyLo, iyLo);
    const __m256i outHi =
        Lerp8(Lerp8(hi[0], hi[1], wxHi, ixHi), Lerp8(hi[2], hi[3], wxHi, ixHi), wyHi, iyHi);
    _mm256_store_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(outLo, outHi));
  }
  if (i < n) BilinearWrapPow2(l, u + i, v + i, n - i, out + i);
}

void Modulate(Chunk& c, const std::uint32_t* texels) {
  const __m128i bias = _mm_set1_epi32(127);
  for (int i = 0; i < c.n; i += 4) {
    const __m128i t = _mm_load_si128(reinterpret_cast<const __m128i*>(texels + i));
    std::int32_t* channels[4] = {c.r + i, c.g + i, c.b + i, c.a + i};
    const int shifts[4] = {16, 8, 0, 24};
    for (int k = 0; k < 4; ++k) {
      auto* at = reinterpret_cast<__m128i*>(channels[k]);
      const __m128i x = _mm_load_si128(at);
      _mm_store_si128(at, Div255Small(_mm_add_epi32(Mul(x, Channel(t, shifts[k])), bias)));
    }
  }
}

namespace {

// AlphaFactors: neither factor reads a colour, so both are the same for the
// three channels of a pixel.
template <bool Blend, bool AlphaFactors>
int WriteRow(const PixelPipeline& p, const Chunk& c) {
  const Target& t = p.target;
  BYTE* row = t.pixels + static_cast<std::ptrdiff_t>(c.y) * t.pitch +
              static_cast<std::ptrdiff_t>(c.x) * 4;
  const __m128i zero = _mm_setzero_si128(), bias = _mm_set1_epi32(127);
  // The factors take one term beside the constant, with weights 0 or ±1:
  // both stay in 0..255, the sums of products below 2^18.
  const __m128i s0 = _mm_set1_epi32(p.src[0]), s1 = _mm_set1_epi32(p.src[1]),
                s2 = _mm_set1_epi32(p.src[2]), s3 = _mm_set1_epi32(p.src[3]);
  const __m128i d0 = _mm_set1_epi32(p.dst[0]), d1 = _mm_set1_epi32(p.dst[1]),
                d2 = _mm_set1_epi32(p.dst[2]), d3 = _mm_set1_epi32(p.dst[3]);
  int i = 0;
  for (; i + 4 <= c.n; i += 4) {
    std::int32_t flags;
    std::memcpy(&flags, c.live + i, 4);
    const __m128i live = _mm_cmpgt_epi32(
        _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(flags), zero), zero), zero);
    if (_mm_movemask_epi8(live) == 0) continue;
    auto* at = reinterpret_cast<__m128i*>(row + i * 4);
    const __m128i dest = _mm_loadu_si128(at);
    __m128i r = _mm_load_si128(reinterpret_cast<const __m128i*>(c.r + i));
    __m128i g = _mm_load_si128(reinterpret_cast<const __m128i*>(c.g + i));
    __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(c.b + i));
    if constexpr (Blend) {
      const __m128i sa = _mm_load_si128(reinterpret_cast<const __m128i*>(c.a + i));
      const __m128i sas = _mm_add_epi32(s0, Mul(sa, s2)), sad = _mm_add_epi32(d0, Mul(sa, d2));
      auto mix = [&](__m128i sc, __m128i dc) {
        __m128i fs = sas, fd = sad;
        if constexpr (!AlphaFactors) {
          fs = _mm_add_epi32(fs, _mm_add_epi32(Mul(sc, s1), Mul(dc, s3)));
          fd = _mm_add_epi32(fd, _mm_add_epi32(Mul(sc, d1), Mul(dc, d3)));
        }
        return Div255(_mm_add_epi32(_mm_add_epi32(Mul(sc, fs), Mul(dc, fd)), bias));
      };
      r = mix(r, Channel(dest, 16));
      g = mix(g, Channel(dest, 8));
      b = mix(b, Channel(dest, 0));
    }
    const __m128i pixels = PackRgb(r, g, b);
    _mm_storeu_si128(at, _mm_or_si128(_mm_and_si128(live, pixels), _mm_andnot_si128(live, dest)));
  }
  return i;
}

}  // namespace

template <bool Blend>
int WriteX8R8G8B8(const PixelPipeline& p, const Chunk& c) {
  if (Blend && !p.src[1] && !p.src[3] && !p.dst[1] && !p.dst[3]) return WriteRow<Blend, true>(p, c);
  return WriteRow<Blend, false>(p, c);
}

#else

VectorLevel Supported() { return VectorLevel::None; }
void Ramp255(std::int32_t, std::int32_t, int, std::int32_t*) {}
void RampFloat(float, float, int, float*) {}
void BilinearWrapPow2(const TextureLevel&, const float*, const float*, int, std::uint32_t*) {}
void BilinearWrapPow2Avx2(const TextureLevel&, const float*, const float*, int, std::uint32_t*) {}
void Modulate(Chunk&, const std::uint32_t*) {}
template <bool Blend>
int WriteX8R8G8B8(const PixelPipeline&, const Chunk&) {
  return 0;
}

#endif

template int WriteX8R8G8B8<false>(const PixelPipeline&, const Chunk&);
template int WriteX8R8G8B8<true>(const PixelPipeline&, const Chunk&);

}  // namespace platform::raster::simd
