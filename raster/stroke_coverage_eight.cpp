// The stroke coverage's row and list evaluations eight pixels at a time (see eight_lanes.h): the
// operations of ClampedRowFour and ClampedList, lane by lane and in the same order.
// Must not: be called where kEightLanes is false.
#include "raster/stroke_coverage_p.h"

#if defined(MORVANE_EIGHT_LANES)
#include <immintrin.h>

namespace morvane {

// What a segment's groups share: its values in every lane (ry, rydy and lanes: a row's).
struct SegmentCoverage::EightLanes {
  __m256 ox, oy, dx, dy, len2, one, zero, half, fullSum, noneSum, ry, rydy;
  __m256d reach;
  __m256i lanes;
};

namespace {

using EightLanes = SegmentCoverage::EightLanes;

// The clamped coverage of eight pixels at offsets (rx, ry) from the segment's start; rydy is
// ry × dy.
MORVANE_AVX2 [[gnu::always_inline]] inline __m256 GroupOfEight(const EightLanes& k, __m256 rx, __m256 ry,
                                                               __m256 rydy) {
  __m256 t = _mm256_div_ps(_mm256_add_ps(_mm256_mul_ps(rx, k.dx), rydy), k.len2);
  t = _mm256_min_ps(t, k.one);   // t < 1 ? t : 1, NaN gives 1
  t = _mm256_max_ps(t, k.zero);  // t > 0 ? t : 0
  const __m256 ex = _mm256_sub_ps(rx, _mm256_mul_ps(t, k.dx));
  const __m256 ey = _mm256_sub_ps(ry, _mm256_mul_ps(t, k.dy));
  const __m256 sum = _mm256_add_ps(_mm256_mul_ps(ex, ex), _mm256_mul_ps(ey, ey));
  const __m256 full = _mm256_cmp_ps(sum, k.fullSum, _CMP_LE_OS);
  const __m256 none = _mm256_cmp_ps(sum, k.noneSum, _CMP_GE_OS);
  const __m256 decided = _mm256_or_ps(full, none);
  __m256 c = _mm256_and_ps(full, k.one);
  const int open = ~_mm256_movemask_ps(decided) & 0xFF;
  if (open == 0) return c;
  // Square roots for each half (four lanes) that holds an undecided lane.
  const __m256d unused = _mm256_setzero_pd();
  const __m256d low =
      (open & 0x0F) ? _mm256_sub_pd(_mm256_sqrt_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(sum))), k.reach)
                    : unused;
  const __m256d high =
      (open & 0xF0) ? _mm256_sub_pd(_mm256_sqrt_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(sum, 1))), k.reach)
                    : unused;
  __m256 v = _mm256_sub_ps(k.half, _mm256_set_m128(_mm256_cvtpd_ps(high), _mm256_cvtpd_ps(low)));
  // Clamp: v ≤ 0 gives 0, v ≥ 1 gives 1, NaN stays.
  v = _mm256_andnot_ps(_mm256_cmp_ps(v, k.zero, _CMP_LE_OS), v);
  const __m256 above = _mm256_cmp_ps(v, k.one, _CMP_GE_OS);
  v = _mm256_or_ps(_mm256_and_ps(above, k.one), _mm256_andnot_ps(above, v));
  return _mm256_or_ps(_mm256_and_ps(decided, c), _mm256_andnot_ps(decided, v));
}

// The clamped coverage of pixels x .. x + 7 of a row.
MORVANE_AVX2 [[gnu::always_inline]] inline __m256 RowGroupOfEight(const EightLanes& k, int32_t x) {
  const __m256 rx = _mm256_sub_ps(_mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_set1_epi32(x), k.lanes)), k.ox);
  return GroupOfEight(k, rx, k.ry, k.rydy);
}

// The clamped coverage of the eight pixels (x[i], y[i]), of any rows.
MORVANE_AVX2 [[gnu::always_inline]] inline __m256 ListGroupOfEight(const EightLanes& k, const int32_t* x,
                                                                   const int32_t* y) {
  const __m256 rx = _mm256_sub_ps(_mm256_cvtepi32_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(x))), k.ox);
  const __m256 ry = _mm256_sub_ps(_mm256_cvtepi32_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(y))), k.oy);
  return GroupOfEight(k, rx, ry, _mm256_mul_ps(ry, k.dy));
}

}  // namespace

MORVANE_AVX2 void SegmentCoverage::FillEightLanes(EightLanes& k) const {
  k.ox = _mm256_set1_ps(ox_);
  k.oy = _mm256_set1_ps(oy_);
  k.dx = _mm256_set1_ps(dx_);
  k.dy = _mm256_set1_ps(dy_);
  k.len2 = _mm256_set1_ps(len2_);
  k.one = _mm256_set1_ps(1.0f);
  k.zero = _mm256_setzero_ps();
  k.half = _mm256_set1_ps(0.5f);
  k.fullSum = _mm256_set1_ps(fullSum_);
  k.noneSum = _mm256_set1_ps(noneSum_);
  k.reach = _mm256_set1_pd(static_cast<double>(reach_));
}

MORVANE_AVX2 void SegmentCoverage::ClampedRowEight(int32_t x0, int32_t y, int32_t count,
                                                               float* out) const {
  EightLanes k;
  FillEightLanes(k);
  k.ry = _mm256_set1_ps(static_cast<float>(y) - oy_);
  k.rydy = _mm256_mul_ps(k.ry, k.dy);
  k.lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) _mm256_storeu_ps(out + i, RowGroupOfEight(k, x0 + i));
  if (i < count) _mm256_storeu_ps(out + count - 8, RowGroupOfEight(k, x0 + count - 8));
}

MORVANE_AVX2 void SegmentCoverage::ClampedListEight(const int32_t* x, const int32_t* y, int32_t count,
                                                    float* out) const {
  EightLanes k;
  FillEightLanes(k);
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) _mm256_storeu_ps(out + i, ListGroupOfEight(k, x + i, y + i));
  if (i < count) _mm256_storeu_ps(out + count - 8, ListGroupOfEight(k, x + count - 8, y + count - 8));
}

}  // namespace morvane
#endif
