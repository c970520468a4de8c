// Sine and cosine that give the same double on every platform: the correctly rounded value.
//
// The C libraries of the builds disagree in the last bits: glibc's sin and cos are not always
// correctly rounded, and mingw-w64's come from the x87 fsincos instruction, whose results depend
// on the processor and are off by thousands of units in the last place near multiples of pi/2.
// Pictures must depend on neither, so the effect computes these two itself from IEEE additions
// and multiplications, which every x86-64 processor rounds alike.
//
// Sin and Cos are inline so that calling both on one angle shares the reduction and the table
// lookup. The fast path works in double-double with an error below 2^-66 of the result and
// returns only when that cannot change the rounding (all but about one call in 2000); the rest,
// and arguments of 256 or more, go to SlowSin and SlowCos, which work in 256-bit fixed point.
//
// Needs -ffp-contract=off: a fused multiply-add would break the error-free sums and products.
#pragma once
#include <bit>
#include <cstdint>

namespace morvane {
namespace maths_detail {

// sin and cos of j pi/512 for j = -128..127, each as an unevaluated sum of a double with 27
// significant bits and a second double (together good to 2^-80): a 27-bit part times one half of
// a split double is exact.
struct SinCosEntry {
  double sinHead, sinTail, cosHead, cosTail;
};
struct SinCosTable {
  SinCosEntry entries[256];  // j + 128
};
extern const SinCosTable kSinCosTable;

// Correctly rounded for every double; NaN for infinities and NaN.
double SlowSin(double x);
double SlowCos(double x);

// pi/512 in two parts: kStep1 has 37 significant bits, so i kStep1 is exact for the i < 2^16 of
// the fast path; kStep2 is the rest, rounded.
inline constexpr double kStep1 = 0x1.921fb5444p-8;
inline constexpr double kStep2 = 0x1.68c234c4c6629p-47;
// pi/2 in four parts, the first three of 45 significant bits: next to a multiple k pi/2 (k < 2^8
// in the fast path) k times each is exact. maths.cpp checks all six against its 256-bit pi.
inline constexpr double kHalfPi1 = 0x1.921fb54442dp+0;
inline constexpr double kHalfPi2 = 0x1.8469898cc51p-48;
inline constexpr double kHalfPi3 = 0x1.c06e0e68948p-94;
inline constexpr double kHalfPi4 = 0x1.27044533e63ap-142;
inline constexpr double kStepsPerRadian = 0x1.45f306dc9c883p+7;  // 512/pi
inline constexpr double kRoundShifter = 0x1.8p52;  // (v + shifter) - shifter rounds v to an integer
inline constexpr double kFastLimit = 0x1p8;
// z == z + e * kRoundingTest proves z correctly rounded when |z + e - exact| < 2^-66 |exact|.
inline constexpr double kRoundingTest = 1 + 0x1p-11;

// a + b == s + e exactly; needs |a| >= |b| or a == 0.
[[gnu::always_inline]] inline void FastTwoSum(double a, double b, double& s, double& e) {
  s = a + b;
  e = b - (s - a);
}

[[gnu::always_inline]] inline void TwoSum(double a, double b, double& s, double& e) {
  s = a + b;
  const double bb = s - a;
  e = (a - (s - bb)) + (b - bb);
}

// 0 <= x < 256 as i pi/512 + d, d = hi + lo, |d| <= pi/1024 (1 + 2^-30), with i as the table
// entry j (-128..127) and the quadrant (i - j) / 256 mod 4. The error of d is below 2^-82, and
// below 2^-100 |d| + 2^-165 when j = 0: there d is the whole distance from a multiple of pi/2,
// whose sine may be the result and tiny (angles 90 degrees apart, which the effect uses often).
struct Reduction {
  double hi, lo;
  int entry, quadrant;
};

[[gnu::always_inline]] inline Reduction Reduce(double x) {
  const double t = x * kStepsPerRadian + kRoundShifter;
  const double i = t - kRoundShifter;
  const int steps = static_cast<int>(std::bit_cast<uint64_t>(t) & 0xFFFFF);
  Reduction r;
  r.entry = ((steps + 128) & 255) - 128;
  r.quadrant = ((steps + 128) >> 8) & 3;
  if (r.entry != 0) {
    const double r1 = x - i * kStep1;  // exact: i pi/512 is within a factor 2 of x
    const double p = i * kStep2;
    FastTwoSum(r1, -p, r.hi, r.lo);
  } else {
    const double k = i * (1.0 / 256);
    const double q1 = x - k * kHalfPi1;  // exact, as above
    double h, l1, l2;
    TwoSum(q1, -(k * kHalfPi2), h, l1);
    TwoSum(h, -(k * kHalfPi3), h, l2);
    FastTwoSum(h, (l1 + l2) - k * kHalfPi4, r.hi, r.lo);
  }
  return r;
}

// sin or cos of j pi/512 + d, rounded; false when the rounding is left open. With S, C the
// table's sine and cosine of j pi/512:
//   sin(a + d) = S + S (cos d - 1) + C sin d,   cos(a + d) = C + C (cos d - 1) - S sin d,
// the large products C d and S d taken exactly (head times the two halves of d), the small
// terms in plain double.
[[gnu::always_inline]] inline bool SinCosOfReduced(const Reduction& r, bool sine, double& result) {
  const SinCosEntry& e = kSinCosTable.entries[r.entry + 128];
  const double d = r.hi;
  const double split = 134217729.0 * d;
  const double dHigh = split - (split - d), dLow = d - dHigh;  // 26 bits each
  const double d2 = d * d;
  const double sinA = e.sinHead + e.sinTail, cosA = e.cosHead + e.cosTail;
  // sin d - d = d^3 (-1/6 + ...) and cos d - 1 = d^2 (-1/2 + ...) for |d| <= pi/1024, the next
  // terms below 2^-93 and 2^-82, each multiplied by its table factor while the series is summed.
  const double sinSeries = -1.0 / 6 + d2 * (1.0 / 120 + d2 * (-1.0 / 5040));
  const double cosSeries = -0.5 + d2 * (1.0 / 24 + d2 * (-1.0 / 720));
  const double d3 = d2 * d;
  // The low part of d moves sin d by lo cos d and cos d by -lo sin d.
  const double loD = r.lo * d;

  double h, he, tail;
  if (sine) {
    FastTwoSum(e.sinHead, e.cosHead * dHigh, h, he);
    const double small =
        ((e.sinTail + (e.cosHead * dLow + e.cosTail * d)) + (cosA * r.lo - sinA * loD)) + he;
    tail = ((sinA * d2) * cosSeries + (cosA * d3) * sinSeries) + small;
  } else {
    FastTwoSum(e.cosHead, -(e.sinHead * dHigh), h, he);
    const double small =
        ((e.cosTail - (e.sinHead * dLow + e.sinTail * d)) - (sinA * r.lo + cosA * loD)) + he;
    tail = ((cosA * d2) * cosSeries - (sinA * d3) * sinSeries) + small;
  }
  double z, ze;
  FastTwoSum(h, tail, z, ze);
  result = z;
  return z == z + ze * kRoundingTest;
}

}  // namespace maths_detail

[[gnu::always_inline]] inline double Sin(double x) {
  using namespace maths_detail;
  const double ax = x < 0 ? -x : x;
  if (!(ax < kFastLimit)) return SlowSin(x);  // also NaN
  if (ax < 0x1p-27) return x;                 // |sin x - x| < x^3/6 is below half a gap
  const Reduction r = Reduce(ax);
  // Closer than this to a multiple of pi/2 the reduction's error would weigh on a tiny result;
  // no double below 256 comes closer than 2^-60.5.
  if (r.entry == 0 && r.hi > -0x1p-70 && r.hi < 0x1p-70) return SlowSin(x);
  double v;
  // sin(q pi/2 + a) is sin a, cos a, -sin a, -cos a for q = 0..3.
  if (!SinCosOfReduced(r, (r.quadrant & 1) == 0, v)) return SlowSin(x);
  return ((r.quadrant & 2) != 0) != (x < 0) ? -v : v;
}

[[gnu::always_inline]] inline double Cos(double x) {
  using namespace maths_detail;
  const double ax = x < 0 ? -x : x;
  if (!(ax < kFastLimit)) return SlowCos(x);
  if (ax < 0x1p-27) return 1.0;  // 1 - cos x < x^2/2 is below half the gap under 1
  const Reduction r = Reduce(ax);
  if (r.entry == 0 && r.hi > -0x1p-70 && r.hi < 0x1p-70) return SlowCos(x);
  double v;
  // cos(q pi/2 + a) is cos a, -sin a, -cos a, sin a for q = 0..3.
  if (!SinCosOfReduced(r, (r.quadrant & 1) != 0, v)) return SlowCos(x);
  return ((r.quadrant + 1) & 2) != 0 ? -v : v;
}

// Sin(x) and Cos(x) from one reduction: the same two results, for about the work of one (the
// two evaluations share their terms).
[[gnu::always_inline]] inline void SinCos(double x, double& sine, double& cosine) {
  using namespace maths_detail;
  const double ax = x < 0 ? -x : x;
  if (!(ax < kFastLimit) || ax < 0x1p-27) {
    sine = Sin(x);
    cosine = Cos(x);
    return;
  }
  const Reduction r = Reduce(ax);
  if (r.entry == 0 && r.hi > -0x1p-70 && r.hi < 0x1p-70) {
    sine = SlowSin(x);
    cosine = SlowCos(x);
    return;
  }
  // The sine and cosine of the reduced angle; the quadrant decides which is which.
  double s, c;
  const bool sOpen = !SinCosOfReduced(r, true, s);
  const bool cOpen = !SinCosOfReduced(r, false, c);
  const bool even = (r.quadrant & 1) == 0;
  if (even ? sOpen : cOpen) {
    sine = SlowSin(x);
  } else {
    const double v = even ? s : c;
    sine = ((r.quadrant & 2) != 0) != (x < 0) ? -v : v;
  }
  if (even ? cOpen : sOpen) {
    cosine = SlowCos(x);
  } else {
    const double v = even ? c : s;
    cosine = ((r.quadrant + 1) & 2) != 0 ? -v : v;
  }
}

}  // namespace morvane
