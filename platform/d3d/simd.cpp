#include "platform/d3d/simd.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace platform::raster::simd {

#if defined(__SSE2__)

namespace {

// The fixed point of the scalar bilinear sampler from two doubles' worth of
// results: t + 2^52 holds t rounded to an integer in its low mantissa bits,
// and one less where that rounded up gives the truncation (t is positive).
constexpr double kHalf = 128.0, kLimit = 274877906944.0, kOffset = 1099511627776.0,
                 kMagic = 4503599627370496.0;  // 2^38, 2^40, 2^52

struct Sse2 {
  using I = __m128i;
  using F = __m128;
  static constexpr int kLanes = 4;
  static I Load(const void* p) { return _mm_load_si128(static_cast<const I*>(p)); }
  static I LoadU(const void* p) { return _mm_loadu_si128(static_cast<const I*>(p)); }
  static void Store(void* p, I v) { _mm_store_si128(static_cast<I*>(p), v); }
  static void StoreU(void* p, I v) { _mm_storeu_si128(static_cast<I*>(p), v); }
  static void StoreF(float* p, F v) { _mm_store_ps(p, v); }
  static I Set(std::int32_t v) { return _mm_set1_epi32(v); }
  static I Set16(short v) { return _mm_set1_epi16(v); }
  static F SetF(float v) { return _mm_set1_ps(v); }
  static I Zero() { return _mm_setzero_si128(); }
  static I Add(I a, I b) { return _mm_add_epi32(a, b); }
  static I Add16(I a, I b) { return _mm_add_epi16(a, b); }
  static I Sub16(I a, I b) { return _mm_sub_epi16(a, b); }
  static I Mul16(I a, I b) { return _mm_mullo_epi16(a, b); }
  static I Madd(I a, I b) { return _mm_madd_epi16(a, b); }
  template <int N>
  static I Srl(I a) {
    return _mm_srli_epi32(a, N);
  }
  template <int N>
  static I Sra(I a) {
    return _mm_srai_epi32(a, N);
  }
  template <int N>
  static I Srl16(I a) {
    return _mm_srli_epi16(a, N);
  }
  static I Sll(I a, int n) { return _mm_sll_epi32(a, _mm_cvtsi32_si128(n)); }
  static I And(I a, I b) { return _mm_and_si128(a, b); }
  static I Or(I a, I b) { return _mm_or_si128(a, b); }
  static I AndNot(I a, I b) { return _mm_andnot_si128(a, b); }
  static I Packs(I a, I b) { return _mm_packs_epi32(a, b); }
  static I Packus(I a, I b) { return _mm_packus_epi16(a, b); }
  static I Lo8(I a, I b) { return _mm_unpacklo_epi8(a, b); }
  static I Hi8(I a, I b) { return _mm_unpackhi_epi8(a, b); }
  static I Lo16(I a, I b) { return _mm_unpacklo_epi16(a, b); }
  static I Lo32(I a, I b) { return _mm_unpacklo_epi32(a, b); }
  static I Hi32(I a, I b) { return _mm_unpackhi_epi32(a, b); }
  static I Upper64(I a) { return _mm_srli_si128(a, 8); }
  static F ToFloat(I a) { return _mm_cvtepi32_ps(a); }
  static F AddF(F a, F b) { return _mm_add_ps(a, b); }
  static F MulF(F a, F b) { return _mm_mul_ps(a, b); }
  static F LoadF(const float* p) { return _mm_load_ps(p); }
  static F SubF(F a, F b) { return _mm_sub_ps(a, b); }
  // The second operand where the first is NaN.
  static F MaxF(F a, F b) { return _mm_max_ps(a, b); }
  static F MinF(F a, F b) { return _mm_min_ps(a, b); }
  static I GreaterF(F a, F b) { return _mm_castps_si128(_mm_cmpgt_ps(a, b)); }
  static I Truncate(F a) { return _mm_cvttps_epi32(a); }
  // Four 16-bit pixels, widened to 32-bit lanes, and back (the low halves).
  static I Load16(const void* p) {
    return _mm_unpacklo_epi16(_mm_loadl_epi64(static_cast<const I*>(p)), Zero());
  }
  static void Store16(void* p, I v) {
    const I x = _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
    _mm_storel_epi64(static_cast<I*>(p), _mm_packs_epi32(x, x));
  }
  static I Sub(I a, I b) { return _mm_sub_epi32(a, b); }
  static I Greater(I a, I b) { return _mm_cmpgt_epi32(a, b); }
  static I Equal(I a, I b) { return _mm_cmpeq_epi32(a, b); }
  static I Gather(const std::uint32_t* base, I at) {
    alignas(16) std::int32_t i[4];
    Store(i, at);
    return _mm_setr_epi32(static_cast<int>(base[i[0]]), static_cast<int>(base[i[1]]),
                          static_cast<int>(base[i[2]]), static_cast<int>(base[i[3]]));
  }
  // i mod p in 0..p−1, in doubles, where i and the product of the quotient
  // and p are exact: the rounded quotient is off by at most one, mended below.
  static I Modulo(I i, double p, double inverse) {
    auto mod = [&](__m128d x) {
      const __m128d q = _mm_mul_pd(x, _mm_set1_pd(inverse));
      __m128d t = _mm_cvtepi32_pd(_mm_cvttpd_epi32(q));
      t = _mm_sub_pd(t, _mm_and_pd(_mm_cmpgt_pd(t, q), _mm_set1_pd(1.0)));
      __m128d r = _mm_sub_pd(x, _mm_mul_pd(t, _mm_set1_pd(p)));
      r = _mm_add_pd(r, _mm_and_pd(_mm_cmplt_pd(r, _mm_setzero_pd()), _mm_set1_pd(p)));
      r = _mm_sub_pd(r, _mm_and_pd(_mm_cmpge_pd(r, _mm_set1_pd(p)), _mm_set1_pd(p)));
      return _mm_cvttpd_epi32(r);
    };
    return _mm_unpacklo_epi64(mod(_mm_cvtepi32_pd(i)), mod(_mm_cvtepi32_pd(Upper64(i))));
  }
  // All ones where the chunk's live flag is set.
  static I LiveMask(const std::uint8_t* live) {
    std::int32_t flags;
    std::memcpy(&flags, live, 4);
    const I zero = Zero();
    return _mm_cmpgt_epi32(Lo16(Lo8(_mm_cvtsi32_si128(flags), zero), zero), zero);
  }
  static bool NoneSet(I mask) { return _mm_movemask_epi8(mask) == 0; }
  // The chunk's live flags (0 or 1) from a mask.
  static void StoreLive(std::uint8_t* live, I mask) {
    const I bytes = _mm_packs_epi16(_mm_packs_epi32(mask, mask), Zero());
    const std::int32_t flags = _mm_cvtsi128_si32(bytes) & 0x01010101;
    std::memcpy(live, &flags, 4);
  }

  // (f·size − ½)·256 as the scalar sampler's fixed point (low 32 bits). The
  // scalar code scales by 256 after the subtraction and the clamp; scaling
  // first by a power of two rounds the same and clamps the same.
  static I FixedCoordinate(const float* f, double scale) {
    const __m128 fs = _mm_load_ps(f);
    const __m128d d[2] = {_mm_cvtps_pd(fs), _mm_cvtps_pd(_mm_movehl_ps(fs, fs))};
    __m128d bits[2], up[2];
    for (int k = 0; k < 2; ++k) {
      __m128d t = _mm_sub_pd(_mm_mul_pd(d[k], _mm_set1_pd(scale)), _mm_set1_pd(kHalf));
      // NaN goes to the lower limit, as in the scalar code.
      t = _mm_min_pd(_mm_max_pd(t, _mm_set1_pd(-kLimit)), _mm_set1_pd(kLimit));
      t = _mm_add_pd(t, _mm_set1_pd(kOffset));
      bits[k] = _mm_add_pd(t, _mm_set1_pd(kMagic));
      up[k] = _mm_cmpgt_pd(_mm_sub_pd(bits[k], _mm_set1_pd(kMagic)), t);
    }
    return Add(Low32(bits[0], bits[1]), Low32(up[0], up[1]));
  }
  static I Low32(__m128d a, __m128d b) {
    return _mm_castps_si128(
        _mm_shuffle_ps(_mm_castpd_ps(a), _mm_castpd_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
  }

  // neighbours: every x1 is x0 + 1, so each row's two texels are neighbours.
  static void Texels(const std::uint32_t* texels, I row0, I row1, I x0, I x1, bool neighbours,
                     I t[4]) {
    if (neighbours) {
      alignas(16) std::int32_t at[2][4];
      Store(at[0], Add(row0, x0));
      Store(at[1], Add(row1, x0));
      for (int k = 0; k < 2; ++k) {
        auto pair = [&](int j) {
          return _mm_loadl_epi64(reinterpret_cast<const I*>(texels + at[k][j]));
        };
        const __m128 a = _mm_castsi128_ps(_mm_unpacklo_epi64(pair(0), pair(1)));
        const __m128 b = _mm_castsi128_ps(_mm_unpacklo_epi64(pair(2), pair(3)));
        t[2 * k] = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
        t[2 * k + 1] = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
      }
      return;
    }
    alignas(16) std::int32_t at[4][4];
    Store(at[0], Add(row0, x0));
    Store(at[1], Add(row0, x1));
    Store(at[2], Add(row1, x0));
    Store(at[3], Add(row1, x1));
    for (int k = 0; k < 4; ++k)
      t[k] = _mm_setr_epi32(static_cast<int>(texels[at[k][0]]), static_cast<int>(texels[at[k][1]]),
                            static_cast<int>(texels[at[k][2]]), static_cast<int>(texels[at[k][3]]));
  }
};

}  // namespace

namespace sse2 {
using V = Sse2;
#include "platform/d3d/simd_loops.inc"
}  // namespace sse2

// Only these functions may use AVX2; Supported() picks them at run time.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace {

struct Avx2 {
  using I = __m256i;
  using F = __m256;
  static constexpr int kLanes = 8;
  static I Load(const void* p) { return _mm256_load_si256(static_cast<const I*>(p)); }
  static I LoadU(const void* p) { return _mm256_loadu_si256(static_cast<const I*>(p)); }
  static void Store(void* p, I v) { _mm256_store_si256(static_cast<I*>(p), v); }
  static void StoreU(void* p, I v) { _mm256_storeu_si256(static_cast<I*>(p), v); }
  static void StoreF(float* p, F v) { _mm256_store_ps(p, v); }
  static I Set(std::int32_t v) { return _mm256_set1_epi32(v); }
  static I Set16(short v) { return _mm256_set1_epi16(v); }
  static F SetF(float v) { return _mm256_set1_ps(v); }
  static I Zero() { return _mm256_setzero_si256(); }
  static I Add(I a, I b) { return _mm256_add_epi32(a, b); }
  static I Add16(I a, I b) { return _mm256_add_epi16(a, b); }
  static I Sub16(I a, I b) { return _mm256_sub_epi16(a, b); }
  static I Mul16(I a, I b) { return _mm256_mullo_epi16(a, b); }
  static I Madd(I a, I b) { return _mm256_madd_epi16(a, b); }
  template <int N>
  static I Srl(I a) {
    return _mm256_srli_epi32(a, N);
  }
  template <int N>
  static I Sra(I a) {
    return _mm256_srai_epi32(a, N);
  }
  template <int N>
  static I Srl16(I a) {
    return _mm256_srli_epi16(a, N);
  }
  static I Sll(I a, int n) { return _mm256_sll_epi32(a, _mm_cvtsi32_si128(n)); }
  static I And(I a, I b) { return _mm256_and_si256(a, b); }
  static I Or(I a, I b) { return _mm256_or_si256(a, b); }
  static I AndNot(I a, I b) { return _mm256_andnot_si256(a, b); }
  static I Packs(I a, I b) { return _mm256_packs_epi32(a, b); }
  static I Packus(I a, I b) { return _mm256_packus_epi16(a, b); }
  static I Lo8(I a, I b) { return _mm256_unpacklo_epi8(a, b); }
  static I Hi8(I a, I b) { return _mm256_unpackhi_epi8(a, b); }
  static I Lo16(I a, I b) { return _mm256_unpacklo_epi16(a, b); }
  static I Lo32(I a, I b) { return _mm256_unpacklo_epi32(a, b); }
  static I Hi32(I a, I b) { return _mm256_unpackhi_epi32(a, b); }
  static I Upper64(I a) { return _mm256_srli_si256(a, 8); }
  static F ToFloat(I a) { return _mm256_cvtepi32_ps(a); }
  static F AddF(F a, F b) { return _mm256_add_ps(a, b); }
  static F MulF(F a, F b) { return _mm256_mul_ps(a, b); }
  static F LoadF(const float* p) { return _mm256_load_ps(p); }
  static F SubF(F a, F b) { return _mm256_sub_ps(a, b); }
  static F MaxF(F a, F b) { return _mm256_max_ps(a, b); }
  static F MinF(F a, F b) { return _mm256_min_ps(a, b); }
  static I GreaterF(F a, F b) { return _mm256_castps_si256(_mm256_cmp_ps(a, b, _CMP_GT_OQ)); }
  static I Truncate(F a) { return _mm256_cvttps_epi32(a); }
  static I Load16(const void* p) {
    return _mm256_cvtepu16_epi32(_mm_loadu_si128(static_cast<const __m128i*>(p)));
  }
  static void Store16(void* p, I v) {
    const I x = _mm256_srai_epi32(_mm256_slli_epi32(v, 16), 16);
    const I packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(x, x), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_si128(static_cast<__m128i*>(p), _mm256_castsi256_si128(packed));
  }
  static I Sub(I a, I b) { return _mm256_sub_epi32(a, b); }
  static I Greater(I a, I b) { return _mm256_cmpgt_epi32(a, b); }
  static I Equal(I a, I b) { return _mm256_cmpeq_epi32(a, b); }
  static I Gather(const std::uint32_t* base, I at) {
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), at, 4);
  }
  static I Modulo(I i, double p, double inverse) {
    auto mod = [&](__m128i half) {
      const __m256d x = _mm256_cvtepi32_pd(half);
      const __m256d t = _mm256_floor_pd(_mm256_mul_pd(x, _mm256_set1_pd(inverse)));
      __m256d r = _mm256_sub_pd(x, _mm256_mul_pd(t, _mm256_set1_pd(p)));
      const __m256d pp = _mm256_set1_pd(p);
      r = _mm256_add_pd(r, _mm256_and_pd(_mm256_cmp_pd(r, _mm256_setzero_pd(), _CMP_LT_OQ), pp));
      r = _mm256_sub_pd(r, _mm256_and_pd(_mm256_cmp_pd(r, pp, _CMP_GE_OQ), pp));
      return _mm256_cvttpd_epi32(r);
    };
    return _mm256_set_m128i(mod(_mm256_extracti128_si256(i, 1)), mod(_mm256_castsi256_si128(i)));
  }
  static I LiveMask(const std::uint8_t* live) {
    const I flags = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(live)));
    return _mm256_cmpgt_epi32(flags, Zero());
  }
  static bool NoneSet(I mask) { return _mm256_testz_si256(mask, mask); }
  static void StoreLive(std::uint8_t* live, I mask) {
    const I bytes = _mm256_packs_epi16(_mm256_packs_epi32(mask, mask), Zero());
    const std::int32_t flags[2] = {_mm256_extract_epi32(bytes, 0) & 0x01010101,
                                   _mm256_extract_epi32(bytes, 4) & 0x01010101};
    std::memcpy(live, flags, 8);
  }

  // Lanes 0 1 4 5 2 3 6 7 of an in-lane shuffle of two registers put in order.
  static I Ordered(__m256 x) {
    return _mm256_permute4x64_epi64(_mm256_castps_si256(x), _MM_SHUFFLE(3, 1, 2, 0));
  }
  static I Low32(__m256d a, __m256d b) {
    return Ordered(
        _mm256_shuffle_ps(_mm256_castpd_ps(a), _mm256_castpd_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
  }
  static I FixedCoordinate(const float* f, double scale) {
    const __m256 fs = _mm256_load_ps(f);
    const __m256d d[2] = {_mm256_cvtps_pd(_mm256_castps256_ps128(fs)),
                          _mm256_cvtps_pd(_mm256_extractf128_ps(fs, 1))};
    __m256d bits[2], up[2];
    for (int k = 0; k < 2; ++k) {
      __m256d t = _mm256_sub_pd(_mm256_mul_pd(d[k], _mm256_set1_pd(scale)), _mm256_set1_pd(kHalf));
      t = _mm256_min_pd(_mm256_max_pd(t, _mm256_set1_pd(-kLimit)), _mm256_set1_pd(kLimit));
      t = _mm256_add_pd(t, _mm256_set1_pd(kOffset));
      bits[k] = _mm256_add_pd(t, _mm256_set1_pd(kMagic));
      up[k] = _mm256_cmp_pd(_mm256_sub_pd(bits[k], _mm256_set1_pd(kMagic)), t, _CMP_GT_OQ);
    }
    return Add(Low32(bits[0], bits[1]), Low32(up[0], up[1]));
  }

  static void Texels(const std::uint32_t* texels, I row0, I row1, I x0, I x1, bool neighbours,
                     I t[4]) {
    const int* base = reinterpret_cast<const int*>(texels);
    if (neighbours) {
      // A row's two texels are one 64-bit pair, which halves the gathered elements.
      const auto* pairs = reinterpret_cast<const long long*>(texels);
      for (int k = 0; k < 2; ++k) {
        const I at = Add(k ? row1 : row0, x0);
        const __m256 a =
            _mm256_castsi256_ps(_mm256_i32gather_epi64(pairs, _mm256_castsi256_si128(at), 4));
        const __m256 b =
            _mm256_castsi256_ps(_mm256_i32gather_epi64(pairs, _mm256_extracti128_si256(at, 1), 4));
        t[2 * k] = Ordered(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
        t[2 * k + 1] = Ordered(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
      }
      return;
    }
    t[0] = _mm256_i32gather_epi32(base, Add(row0, x0), 4);
    t[1] = _mm256_i32gather_epi32(base, Add(row0, x1), 4);
    t[2] = _mm256_i32gather_epi32(base, Add(row1, x0), 4);
    t[3] = _mm256_i32gather_epi32(base, Add(row1, x1), 4);
  }
};

}  // namespace

namespace avx2 {
using V = Avx2;
#include "platform/d3d/simd_loops.inc"
}  // namespace avx2

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

VectorLevel Supported() {
  static const VectorLevel level =
      __builtin_cpu_supports("avx2") ? VectorLevel::Avx2 : VectorLevel::Sse2;
  return level;
}

#define VOXA2_LEVELS(name, ...) \
  (L == VectorLevel::Avx2 ? avx2::name(__VA_ARGS__) : sse2::name(__VA_ARGS__))

#else

VectorLevel Supported() { return VectorLevel::None; }

#define VOXA2_LEVELS(name, ...) (void(0))

#endif

template <VectorLevel L>
void Ramp255(std::int32_t start, std::int32_t step, int n, std::int32_t* out) {
  VOXA2_LEVELS(Ramp255, start, step, n, out);
}

template <VectorLevel L>
void RampFloat(float start, float step, int n, float* out) {
  VOXA2_LEVELS(RampFloat, start, step, n, out);
}

template <VectorLevel L>
void BilinearWrapPow2(const TextureLevel& l, const float* u, const float* v, int n,
                      std::uint32_t* out) {
  VOXA2_LEVELS(BilinearWrapPow2, l, u, v, n, out);
}

template <VectorLevel L>
void SampleLevel(const Sampler& s, const TextureLevel& l, bool linear, const float* u,
                 const float* v, int n, std::uint32_t* out) {
  VOXA2_LEVELS(SampleLevel, s, l, linear, u, v, n, out);
}

template <VectorLevel L>
void Modulate(Chunk& c, const std::uint32_t* texels) {
  VOXA2_LEVELS(Modulate, c, texels);
}

template <VectorLevel L, bool W, int Bytes>
int Depth(const PixelPipeline& p, Chunk& c) {
#if defined(__SSE2__)
  return L == VectorLevel::Avx2 ? avx2::Depth<W, Bytes>(p, c) : sse2::Depth<W, Bytes>(p, c);
#else
  return 0;
#endif
}

template <VectorLevel L, FogKind K>
int Fog(const PixelPipeline& p, Chunk& c) {
#if defined(__SSE2__)
  return L == VectorLevel::Avx2 ? avx2::Fog<K>(p, c) : sse2::Fog<K>(p, c);
#else
  return 0;
#endif
}

template <VectorLevel L, PixelFormat F, bool Blend>
int WritePixels(const PixelPipeline& p, const Chunk& c) {
#if defined(__SSE2__)
  return L == VectorLevel::Avx2 ? avx2::WritePixels<F, Blend>(p, c)
                                : sse2::WritePixels<F, Blend>(p, c);
#else
  return 0;
#endif
}

#undef VOXA2_LEVELS

// Every loop at each level.
#define VOXA2_WRITES(L, F)                                                                \
  template int WritePixels<L, PixelFormat::F, false>(const PixelPipeline&, const Chunk&); \
  template int WritePixels<L, PixelFormat::F, true>(const PixelPipeline&, const Chunk&);
#define VOXA2_INSTANTIATE(L)                                                              \
  template void Ramp255<L>(std::int32_t, std::int32_t, int, std::int32_t*);               \
  template void RampFloat<L>(float, float, int, float*);                                  \
  template void BilinearWrapPow2<L>(const TextureLevel&, const float*, const float*, int, \
                                    std::uint32_t*);                                      \
  template void SampleLevel<L>(const Sampler&, const TextureLevel&, bool, const float*,   \
                               const float*, int, std::uint32_t*);                        \
  template void Modulate<L>(Chunk&, const std::uint32_t*);                                \
  template int Depth<L, false, 2>(const PixelPipeline&, Chunk&);                          \
  template int Depth<L, false, 4>(const PixelPipeline&, Chunk&);                          \
  template int Depth<L, true, 2>(const PixelPipeline&, Chunk&);                           \
  template int Depth<L, true, 4>(const PixelPipeline&, Chunk&);                           \
  template int Fog<L, FogKind::Vertex>(const PixelPipeline&, Chunk&);                     \
  template int Fog<L, FogKind::TableZ>(const PixelPipeline&, Chunk&);                     \
  template int Fog<L, FogKind::TableW>(const PixelPipeline&, Chunk&);                     \
  VOXA2_WRITES(L, R5G6B5)                                                                 \
  VOXA2_WRITES(L, X1R5G5B5)                                                               \
  VOXA2_WRITES(L, R8G8B8)                                                                 \
  VOXA2_WRITES(L, X8R8G8B8)

VOXA2_INSTANTIATE(VectorLevel::Sse2)
VOXA2_INSTANTIATE(VectorLevel::Avx2)

#undef VOXA2_INSTANTIATE
#undef VOXA2_WRITES

}  // namespace platform::raster::simd
