// Private to the stroke rasteriser: the coverage of one segment, per pixel and per row, and the
// columns of a row that a stroke can reach.
// Must not: change the float and double steps of the coverage or their order. The row evaluation
// does the same IEEE operations lane by lane as the one-pixel version (additions, products,
// quotients and square roots are correctly rounded, so every lane gives the scalar bits); tests
// compare the two.
#pragma once
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "raster/eight_lanes.h"
#include "support/numeric.h"

namespace morvane {

// A segment's unclamped coverage as a function of the squared distance ex² + ey² of a pixel.
inline float CoverageOfSum(float sum, float reach) {
  return 0.5f - static_cast<float>(std::sqrt(static_cast<double>(sum)) - static_cast<double>(reach));
}

// The coverage falls as the squared distance grows (a square root, a subtraction and roundings,
// each monotonic), so two sums decide every pixel but those between them: a sum at or below
// `full` gives a value ≥ 1 (clamped to 1), one at or above `none` a value ≤ 0 (clamped to 0).
// Each is the exact float boundary, searched from its exact-arithmetic value; they depend on the
// width alone. A width that is not finite decides nothing.
struct DecidedSums {
  float full = -1.0f;
  float none = std::numeric_limits<float>::infinity();

  static DecidedSums Of(float reach) {
    DecidedSums sums;
    if (!std::isfinite(reach)) return sums;
    const double edge = static_cast<double>(reach) + 0.5;
    const double core = static_cast<double>(reach) - 0.5;
    sums.none = FirstSumWhere([reach](float sum) { return CoverageOfSum(sum, reach) <= 0.0f; },
                              static_cast<float>(edge * edge));
    const float partial =
        FirstSumWhere([reach](float sum) { return !(CoverageOfSum(sum, reach) >= 1.0f); },
                      static_cast<float>(core * core));
    if (partial > 0.0f) sums.full = std::nextafter(partial, 0.0f);
    return sums;
  }

 private:
  // The least float sum ≥ 0 where holds(sum), for holds false below some sum and true from it on
  // (true at +Inf). A few ulps from `guess` as a rule, else by bisection of the float's bits,
  // whose order is the values' order for floats ≥ 0.
  template <class Holds>
  static float FirstSumWhere(Holds holds, float guess) {
    const auto bits = [](float v) { return std::bit_cast<uint32_t>(v); };
    const auto value = [](uint32_t b) { return std::bit_cast<float>(b); };
    uint32_t lo = 0, hi = bits(std::numeric_limits<float>::infinity());  // holds(hi)
    if (holds(0.0f)) return 0.0f;
    uint32_t g = std::isfinite(guess) && guess > 0.0f ? bits(guess) : 1;
    for (int step = 0; step < 4; ++step, ++g) {  // upwards to the first that holds
      if (g >= hi) break;
      if (holds(value(g))) {
        hi = g;
        break;
      }
      lo = g;
    }
    for (int step = 0; step < 4 && hi - 1 > lo; ++step) {  // downwards while it still holds
      if (!holds(value(hi - 1))) {
        lo = hi - 1;
        break;
      }
      --hi;
    }
    while (hi - lo > 1) {  // lo fails, hi holds
      const uint32_t mid = lo + (hi - lo) / 2;
      (holds(value(mid)) ? hi : lo) = mid;
    }
    return value(hi);
  }
};

// Per-pixel coverage of one segment, with everything that depends only on the segment hoisted.
class SegmentCoverage {
 public:
  // `sums` must be DecidedSums::Of(reach) (the strokes keep it from one segment to the next).
  SegmentCoverage(int32_t x0, int32_t y0, int32_t x1, int32_t y1, float reach,
                  const DecidedSums& sums)
      : ox_(static_cast<float>(x0)),
        oy_(static_cast<float>(y0)),
        dx_(static_cast<float>(int64_t{x1} - x0)),
        dy_(static_cast<float>(int64_t{y1} - y0)),
        len2_(dy_ * dy_ + dx_ * dx_),
        reach_(reach),
        fullSum_(sums.full),
        noneSum_(sums.none) {}
  SegmentCoverage(int32_t x0, int32_t y0, int32_t x1, int32_t y1, float reach)
      : SegmentCoverage(x0, y0, x1, y1, reach, DecidedSums::Of(reach)) {}

  float Dx() const { return dx_; }
  float Dy() const { return dy_; }

  // lineWidth − distance, unclamped: > 1 inside the core, ≤ 0 outside the stroke.
  [[gnu::always_inline]] float Raw(int32_t x, int32_t y) const { return OfSum(SquaredDistance(x, y)); }

  // Clamp(Raw(x, y)), without the square root where the squared distance decides it.
  [[gnu::always_inline]] float Clamped(int32_t x, int32_t y) const {
    const float sum = SquaredDistance(x, y);
    if (sum <= fullSum_) return 1.0f;
    if (sum >= noneSum_) return 0.0f;
    return Clamp(OfSum(sum));
  }

  // The squared distances at or below which the clamped coverage is 1, and at or above which it
  // is 0 (see DecidedSums).
  float FullSum() const { return fullSum_; }
  float NoneSum() const { return noneSum_; }

  // Raw() limited to [0, 1]; NaN passes.
  static float Clamp(float c) {
    if (c <= 0.0f) return 0.0f;
    if (c >= 1.0f) return 1.0f;
    return c;
  }

  // Clamp(Raw(x, y)) for x = x0 .. x0 + count − 1 into out[0 .. count − 1], four pixels at a
  // time where the processor has SSE2. A group whose squared distances all lie at or beyond the
  // decided sums (see DecidedSums) skips the square roots, which take most of the time. A row
  // whose length is not a multiple of four ends with a group that overlaps the one before it: a
  // thin stroke's rows are a few pixels long, and one more group costs less than the last pixels
  // one at a time. Rows shorter than four (short segments) measured quicker one pixel at a time.
  void ClampedRow(int32_t x0, int32_t y, int32_t count, float* out) const {
#if defined(MORVANE_EIGHT_LANES)
    if (count >= 8 && kEightLanes) {
      ClampedRowEight(x0, y, count, out);
      return;
    }
#endif
    ClampedRowFour(x0, y, count, out);
  }

#if defined(MORVANE_EIGHT_LANES)
  // ClampedRow eight pixels at a time, the same operations lane by lane; count ≥ 8, and only
  // where kEightLanes holds (then ClampedRow takes it for rows of eight pixels or more).
  void ClampedRowEight(int32_t x0, int32_t y, int32_t count, float* out) const;
#endif

  // Clamp(Raw(x[i], y[i])) for i = 0 .. count − 1 into out[i]: pixels of any rows, so that a thin
  // stroke's short rows fill the lanes together. Eight (where eightLanes, which only kEightLanes
  // allows) or four at a time as ClampedRow, the last group overlapping the one before it; fewer
  // than four one at a time.
  void ClampedList(const int32_t* x, const int32_t* y, int32_t count, float* out,
                   bool eightLanes = kEightLanes) const {
    static_cast<void>(eightLanes);
#if defined(MORVANE_EIGHT_LANES)
    if (count >= 8 && eightLanes) {
      ClampedListEight(x, y, count, out);
      return;
    }
#endif
#if defined(__SSE2__)
    if (count >= 4) {
      const FourLanes k = LanesOfFour();
      const auto group = [&](int32_t i) {
        const __m128 rx = _mm_sub_ps(_mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i))), k.ox);
        const __m128 ry = _mm_sub_ps(_mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y + i))), k.oy);
        return GroupOfFour(k, rx, ry, _mm_mul_ps(ry, k.dy));
      };
      int32_t i = 0;
      for (; i + 4 <= count; i += 4) _mm_storeu_ps(out + i, group(i));
      if (i < count) _mm_storeu_ps(out + count - 4, group(count - 4));
      return;
    }
#endif
    for (int32_t i = 0; i < count; ++i) out[i] = Clamped(x[i], y[i]);
  }

#if defined(MORVANE_EIGHT_LANES)
  // ClampedList eight pixels at a time; count ≥ 8, only where kEightLanes holds.
  void ClampedListEight(const int32_t* x, const int32_t* y, int32_t count, float* out) const;

  // The segment's values in every lane of eight, as the eight-lane evaluations share them
  // (defined with them, in stroke_coverage_eight.cpp).
  struct EightLanes;
#endif

  // ClampedRow four pixels at a time (SSE2, every x64 processor), or one at a time without it.
  void ClampedRowFour(int32_t x0, int32_t y, int32_t count, float* out) const {
#if defined(__SSE2__)
    if (count >= 4) {
      const FourLanes k = LanesOfFour();
      const __m128 ry = _mm_set1_ps(static_cast<float>(y) - oy_);
      const __m128 rydy = _mm_mul_ps(ry, k.dy);
      const __m128i lanes = _mm_set_epi32(3, 2, 1, 0);
      // The clamped coverage of pixels x .. x + 3.
      const auto group = [&](int32_t x) {
        const __m128 rx = _mm_sub_ps(_mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(x), lanes)), k.ox);
        return GroupOfFour(k, rx, ry, rydy);
      };
      int32_t i = 0;
      for (; i + 4 <= count; i += 4) _mm_storeu_ps(out + i, group(x0 + i));
      if (i < count) _mm_storeu_ps(out + count - 4, group(x0 + count - 4));
      return;
    }
#endif
    for (int32_t i = 0; i < count; ++i) out[i] = Clamped(x0 + i, y);
  }

 private:
#if defined(MORVANE_EIGHT_LANES)
  // Fills k with the segment's values (not a row's).
  void FillEightLanes(EightLanes& k) const;
#endif
#if defined(__SSE2__)
  // The segment's values in every lane of four.
  struct FourLanes {
    __m128 ox, oy, dx, dy, len2, one, zero, half, fullSum, noneSum;
    __m128d reach;
  };
  FourLanes LanesOfFour() const {
    return {_mm_set1_ps(ox_),      _mm_set1_ps(oy_),        _mm_set1_ps(dx_),
            _mm_set1_ps(dy_),      _mm_set1_ps(len2_),      _mm_set1_ps(1.0f),
            _mm_setzero_ps(),      _mm_set1_ps(0.5f),       _mm_set1_ps(fullSum_),
            _mm_set1_ps(noneSum_), _mm_set1_pd(static_cast<double>(reach_))};
  }
  // The clamped coverage of four pixels at offsets (rx, ry) from the segment's start; rydy is
  // ry × dy (a row's pixels share it).
  [[gnu::always_inline]] static __m128 GroupOfFour(const FourLanes& k, __m128 rx, __m128 ry, __m128 rydy) {
    __m128 t = _mm_div_ps(_mm_add_ps(_mm_mul_ps(rx, k.dx), rydy), k.len2);
    t = _mm_min_ps(t, k.one);   // t < 1 ? t : 1, NaN gives 1
    t = _mm_max_ps(t, k.zero);  // t > 0 ? t : 0
    const __m128 ex = _mm_sub_ps(rx, _mm_mul_ps(t, k.dx));
    const __m128 ey = _mm_sub_ps(ry, _mm_mul_ps(t, k.dy));
    const __m128 sum = _mm_add_ps(_mm_mul_ps(ex, ex), _mm_mul_ps(ey, ey));
    const __m128 full = _mm_cmple_ps(sum, k.fullSum);
    const __m128 none = _mm_cmpge_ps(sum, k.noneSum);
    const __m128 decided = _mm_or_ps(full, none);
    __m128 c = _mm_and_ps(full, k.one);
    const int open = ~_mm_movemask_ps(decided) & 0xF;
    if (open != 0) {
      // Square roots for the half (two lanes) or both halves that hold an undecided lane.
      const __m128d unused = _mm_setzero_pd();
      const __m128d low = (open & 3) ? _mm_sub_pd(_mm_sqrt_pd(_mm_cvtps_pd(sum)), k.reach) : unused;
      const __m128d high =
          (open & 12) ? _mm_sub_pd(_mm_sqrt_pd(_mm_cvtps_pd(_mm_movehl_ps(sum, sum))), k.reach)
                      : unused;
      __m128 v = _mm_sub_ps(k.half, _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high)));
      // Clamp: v ≤ 0 gives 0, v ≥ 1 gives 1, NaN stays.
      v = _mm_andnot_ps(_mm_cmple_ps(v, k.zero), v);
      const __m128 above = _mm_cmpge_ps(v, k.one);
      v = _mm_or_ps(_mm_and_ps(above, k.one), _mm_andnot_ps(above, v));
      c = _mm_or_ps(_mm_and_ps(decided, c), _mm_andnot_ps(decided, v));
    }
    return c;
  }
#endif

  // The squared distance from (x, y) to the segment, in float, as the coverage forms it.
  [[gnu::always_inline]] float SquaredDistance(int32_t x, int32_t y) const {
    const float rx = static_cast<float>(x) - ox_;
    const float ry = static_cast<float>(y) - oy_;
    float t = (rx * dx_ + ry * dy_) / len2_;
    // fminf/fmaxf written as comparisons, which compile to single instructions: a NaN t (a
    // zero-length segment) becomes 1, as fminf(NaN, 1) gives.
    t = t < 1.0f ? t : 1.0f;
    t = t > 0.0f ? t : 0.0f;
    const float ex = rx - t * dx_;
    const float ey = ry - t * dy_;
    return ex * ex + ey * ey;
  }

  float OfSum(float sum) const { return CoverageOfSum(sum, reach_); }

  float ox_, oy_, dx_, dy_, len2_, reach_;
  float fullSum_, noneSum_;  // see DecidedSums
};

// The columns of a row within a given distance of a segment, in exact arithmetic (doubles, far
// from their precision for coordinates below 2^21). The float coverage of a pixel differs from
// the exact distance by rounding errors of a few float ulps of the pixel's offset from the
// segment's start, and the pixels asked about lie within the segment's extent plus the reach:
// below 2^-19 × (extent + reach + 1) pixels. The margin is 2^-14 × (extent + reach) + 1/8, at
// least 32 times that and never more than 3: the columns within reach + 0.5 + margin hold every
// pixel whose coverage can be above 0, and those within reach − 0.5 − margin only pixels whose
// coverage is 1. Beyond 2^21, or for a width that is not finite, nothing is known.
class CapsuleColumns {
 public:
  static constexpr double kMaxMargin = 3.0;
  static constexpr int64_t kCoordinateLimit = int64_t{1} << 21;

  CapsuleColumns(int32_t x0, int32_t y0, int32_t x1, int32_t y1, float reach)
      : ax_(x0), ay_(y0), bx_(x1), by_(y1), dx_(bx_ - ax_), dy_(by_ - ay_),
        len2_(dx_ * dx_ + dy_ * dy_), reach_(reach) {
    const auto small = [](int32_t v) { return v > -kCoordinateLimit && v < kCoordinateLimit; };
    usable_ = small(x0) && small(y0) && small(x1) && small(y1) && std::isfinite(reach_) &&
              reach_ < static_cast<double>(kCoordinateLimit);
    len_ = std::sqrt(len2_);
    if (usable_) {
      const double extent = std::max(std::fabs(dx_), std::fabs(dy_)) + std::fabs(reach_);
      margin_ = std::min(kMaxMargin, extent * 0x1p-14 + 0.125);
      // The band's slope and half-width, once per segment rather than a division per row.
      out_ = reach_ + 0.5 + margin_;
      if (dy_ != 0) {
        slope_ = dx_ / dy_;
        bandHalf_ = out_ * len_ / std::fabs(dy_);
      }
    }
  }

  bool Usable() const { return usable_; }

  // Narrows [lo, hi] to columns of row y that lie both within the capsule's bounding box and
  // within the band along its line, each grown by the reach and margin (lo > hi when none do).
  // The capsule lies inside both, so every column that can have coverage stays; near the ends
  // more stay than Narrow keeps, for a product instead of square roots, which a thin stroke's
  // short rows can afford on every row. The rounding of these few double steps stays below 2^-6
  // for coordinates below 2^21, far inside the margin. Without `alongLine`, the box alone: a few
  // comparisons. Only for a usable capsule.
  void NarrowToBand(int32_t y, int64_t& lo, int64_t& hi, bool alongLine = true) const {
    const double out = out_;
    const double fy = y;
    if (fy < std::min(ay_, by_) - out || fy > std::max(ay_, by_) + out) {
      hi = lo - 1;
      return;
    }
    double l = std::min(ax_, bx_) - out, r = std::max(ax_, bx_) + out;
    if (alongLine && dy_ != 0) {
      // |(x − ax)dy − (y − ay)dx| ≤ out × len, solved for x (a horizontal segment's band is the
      // box's rows).
      const double centre = ax_ + (fy - ay_) * slope_;
      l = std::max(l, centre - bandHalf_);
      r = std::min(r, centre + bandHalf_);
    }
    lo = std::max<int64_t>(lo, CeilToInt64(l));
    hi = std::min<int64_t>(hi, FloorToInt64(r));
  }

  // Narrows [lo, hi] to the columns of row y that can have coverage; lo > hi when none can.
  void Narrow(int32_t y, int64_t& lo, int64_t& hi) const {
    double l, r;
    if (!Interval(y, reach_ + 0.5 + margin_, l, r)) {
      lo = 1;
      hi = 0;
      return;
    }
    lo = std::max<int64_t>(lo, FloorToInt64(l));
    hi = std::min<int64_t>(hi, CeilToInt64(r));
  }

  // The columns of row y whose coverage is certainly 1 (empty: lo > hi).
  void Solid(int32_t y, int64_t& lo, int64_t& hi) const {
    double l, r;
    // A core narrower than a few pixels saves less than finding it costs.
    const double limit = reach_ - 0.5 - margin_;
    if (limit < 4 || !Interval(y, limit, l, r)) {
      lo = 1;
      hi = 0;
      return;
    }
    lo = CeilToInt64(l);
    hi = FloorToInt64(r);
  }

 private:
  // The x interval of row y within `limit` of the segment; false when the row misses it. The
  // capsule is convex, so the discs at both ends and the band between them give one interval.
  bool Interval(int32_t y, double limit, double& l, double& r) const {
    const double fy = y;
    l = std::numeric_limits<double>::infinity();
    r = -l;
    const double limit2 = limit * limit;
    const auto disc = [&](double cx, double cy) {
      const double d = fy - cy;
      const double q = limit2 - d * d;
      if (q < 0) return;
      const double h = std::sqrt(q);
      l = std::min(l, cx - h);
      r = std::max(r, cx + h);
    };
    disc(ax_, ay_);
    disc(bx_, by_);
    if (len2_ > 0) {
      // Between the perpendiculars through both ends: 0 ≤ (x − ax)dx + (y − ay)dy ≤ len², and
      // within the band: |(x − ax)dy − (y − ay)dx| ≤ limit × len.
      double bl = -std::numeric_limits<double>::infinity();
      double br = -bl;
      bool empty = false;
      const auto clip = [&](double coefficient, double constant, double low, double high) {
        if (coefficient == 0) {
          if (constant < low || constant > high) empty = true;
          return;
        }
        double a = (low - constant) / coefficient, b = (high - constant) / coefficient;
        if (coefficient < 0) std::swap(a, b);
        bl = std::max(bl, a);
        br = std::min(br, b);
      };
      const double band = limit * len_;
      clip(dx_, (fy - ay_) * dy_ - ax_ * dx_, 0.0, len2_);
      clip(dy_, -(fy - ay_) * dx_ - ax_ * dy_, -band, band);
      if (!empty && bl <= br) {
        l = std::min(l, bl);
        r = std::max(r, br);
      }
    }
    return l <= r;
  }

  double ax_, ay_, bx_, by_, dx_, dy_, len2_, len_ = 0;
  double reach_;
  double margin_ = kMaxMargin;
  double out_ = 0, slope_ = 0, bandHalf_ = 0;  // for NarrowToBand
  bool usable_ = false;
};

}  // namespace morvane
