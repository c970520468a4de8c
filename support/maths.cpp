#include "support/maths.h"

#include <bit>
#include <cstdint>

// The slow path and the fast path's table come from one 256-bit fixed-point evaluation: the
// argument is reduced to i pi/512 + d by a Payne-Hanek product with 512/pi, sin d and cos d come
// from their Taylor series and are turned by a table angle, and the result is rounded once. Its
// error, below 2^-240, is far below the distance of any sine or cosine of a double from a
// rounding boundary (the hardest cases known come within about 2^-120 of one).
namespace morvane::maths_detail {
namespace {

// A number in [0, 1) with 256 fraction bits, w[0] the most significant 64. Addition and
// subtraction wrap modulo 1, so 1 - v is written 0 - v.
struct Fixed {
  uint64_t w[4] = {0, 0, 0, 0};
};

constexpr Fixed kPiOver4 = {
    {0xc90fdaa22168c234, 0xc4c6628b80dc1cd1, 0x29024e088a67cc74, 0x020bbea63b139b22}};

// The fraction bits of 2/pi, most significant first (512/pi is the same bits moved by 8): enough
// for the largest double's exponent plus the 320-bit window taken below.
constexpr uint64_t kTwoOverPiBits[] = {
    0xa2f9836e4e441529, 0xfc2757d1f534ddc0, 0xdb6295993c439041, 0xfe5163abdebbc561,
    0xb7246e3a424dd2e0, 0x06492eea09d1921c, 0xfe1deb1cb129a73e, 0xe88235f52ebb4484,
    0xe99c7026b45f7e41, 0x3991d639835339f4, 0x9c845f8bbdf9283b, 0x1ff897ffde05980f,
    0xef2f118b5a0a6d1f, 0x6d367ecf27cb09b7, 0x4f463f669e5fea2d, 0x7527bac7ebe5f17b,
    0x3d0739f78a5292ea, 0x6bfb5fb11f8d5d08, 0x56033046fc7b6bab, 0xf0cfbc209af4361d,
    0xa9e391615ee61b08, 0x6599855f14a06840, 0x8dffd8804d732731, 0x06061556ca73a8c9,
};
constexpr int kTwoOverPiWords = static_cast<int>(sizeof kTwoOverPiBits / sizeof kTwoOverPiBits[0]);

#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 Wide;
constexpr void Multiply64(uint64_t a, uint64_t b, uint64_t& hi, uint64_t& lo) {
  const Wide p = static_cast<Wide>(a) * b;
  hi = static_cast<uint64_t>(p >> 64);
  lo = static_cast<uint64_t>(p);
}
#else
constexpr void Multiply64(uint64_t a, uint64_t b, uint64_t& hi, uint64_t& lo) {
  const uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  lo = (middle << 32) | (p00 & 0xFFFFFFFFu);
  hi = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
}
#endif

constexpr Fixed Add(const Fixed& a, const Fixed& b) {
  Fixed s;
  uint64_t carry = 0;
  for (int i = 3; i >= 0; --i) {
    const uint64_t t = a.w[i] + carry;
    const uint64_t c1 = t < carry ? 1 : 0;
    s.w[i] = t + b.w[i];
    carry = c1 + (s.w[i] < t ? 1 : 0);
  }
  return s;
}

constexpr Fixed Subtract(const Fixed& a, const Fixed& b) {
  Fixed d;
  uint64_t borrow = 0;
  for (int i = 3; i >= 0; --i) {
    const uint64_t t = a.w[i] - b.w[i];
    const uint64_t b1 = a.w[i] < b.w[i] ? 1 : 0;
    d.w[i] = t - borrow;
    borrow = b1 + (t < borrow ? 1 : 0);
  }
  return d;
}

constexpr Fixed Negate(const Fixed& a) { return Subtract(Fixed{}, a); }

// Adds v at word k of a number held most significant word first.
constexpr void AddAt(uint64_t (&p)[8], int k, uint64_t v) {
  for (; v != 0 && k >= 0; --k) {
    const uint64_t before = p[k];
    p[k] = before + v;
    v = p[k] < before ? 1 : 0;
  }
}

// The product's top 256 bits (truncated: the error is below 2^-254).
constexpr Fixed Multiply(const Fixed& a, const Fixed& b) {
  uint64_t p[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    // Products landing below word 3 reach the top 256 bits only through carries below 2^-254.
    for (int j = 0; j < 4 - i; ++j) {
      uint64_t hi = 0, lo = 0;
      Multiply64(a.w[i], b.w[j], hi, lo);
      AddAt(p, i + j + 1, lo);
      AddAt(p, i + j, hi);
    }
  }
  return Fixed{{p[0], p[1], p[2], p[3]}};
}

constexpr Fixed DivideSmall(const Fixed& a, uint64_t divisor) {  // divisor < 2^32
  Fixed q;
  uint64_t rest = 0;
  for (int i = 0; i < 4; ++i) {
    const uint64_t high = (rest << 32) | (a.w[i] >> 32);
    rest = high % divisor;
    const uint64_t low = (rest << 32) | (a.w[i] & 0xFFFFFFFFu);
    q.w[i] = ((high / divisor) << 32) | (low / divisor);
    rest = low % divisor;
  }
  return q;
}

constexpr bool IsZero(const Fixed& a) { return (a.w[0] | a.w[1] | a.w[2] | a.w[3]) == 0; }

constexpr bool Less(const Fixed& a, const Fixed& b) {
  for (int i = 0; i < 4; ++i) {
    if (a.w[i] != b.w[i]) return a.w[i] < b.w[i];
  }
  return false;
}

// a * 2^n (bits moved above the point are lost) and a * 2^-n (bits below 2^-256 are lost).
constexpr Fixed ShiftUp(const Fixed& a, int n) {
  Fixed out;
  const int words = n / 64, bits = n % 64;
  for (int i = 0; i < 4; ++i) {
    const int from = i + words;
    const uint64_t high = from < 4 ? a.w[from] : 0;
    const uint64_t low = from + 1 < 4 ? a.w[from + 1] : 0;
    out.w[i] = bits == 0 ? high : (high << bits) | (low >> (64 - bits));
  }
  return out;
}

constexpr Fixed ShiftDown(const Fixed& a, int n) {
  Fixed out;
  const int words = n / 64, bits = n % 64;
  for (int i = 0; i < 4; ++i) {
    const int from = i - words;
    const uint64_t low = from >= 0 ? a.w[from] : 0;
    const uint64_t high = from >= 1 ? a.w[from - 1] : 0;
    out.w[i] = bits == 0 ? low : (low >> bits) | (high << (64 - bits));
  }
  return out;
}

// `count` (1..64) bits of a from fraction bit `first` (1-based) on, as an integer.
constexpr uint64_t Bits(const Fixed& a, int first, int count) {
  return ShiftUp(a, first - 1).w[0] >> (64 - count);
}

// m * 2^-last, for m < 2^64 and 0 <= last <= 319.
constexpr Fixed FromScaled(uint64_t m, int last) {
  const Fixed atBottom{{0, 0, 0, m}};  // m * 2^-256
  return last <= 256 ? ShiftUp(atBottom, 256 - last) : ShiftDown(atBottom, last - 256);
}

// The double nearest to a, ties to even; 0 for 0.
constexpr double ToDouble(const Fixed& a) {
  int lead = 0;  // leading zero bits
  for (int i = 0; i < 4 && a.w[i] == 0; ++i) lead += 64;
  if (lead == 256) return 0.0;
  lead += std::countl_zero(a.w[lead / 64]);
  const Fixed n = ShiftUp(a, lead);  // leading bit at the top
  uint64_t mantissa = n.w[0] >> 11;
  const bool half = ((n.w[0] >> 10) & 1) != 0;
  const bool sticky = (n.w[0] & 0x3FF) != 0 || n.w[1] != 0 || n.w[2] != 0 || n.w[3] != 0;
  if (half && (sticky || (mantissa & 1) != 0)) ++mantissa;
  int exponent = -(lead + 1);
  if (mantissa == (uint64_t(1) << 53)) {
    mantissa >>= 1;
    ++exponent;
  }
  const uint64_t biased = static_cast<uint64_t>(1023 + exponent);
  return std::bit_cast<double>((biased << 52) | (mantissa & 0x000FFFFFFFFFFFFFu));
}

// 1/k! for k = 0..25.
struct InverseFactorials {
  Fixed of[26];
};
constexpr InverseFactorials MakeInverseFactorials() {
  InverseFactorials t{};
  t.of[2] = FromScaled(1, 1);  // 1/2; 1/0! and 1/1! (= 1) are not needed
  for (uint64_t k = 3; k < 26; ++k) t.of[k] = DivideSmall(t.of[k - 1], k);
  return t;
}
constexpr InverseFactorials kInverseFactorial = MakeInverseFactorials();

// sin d and 1 - cos d for 0 <= d <= pi/512 from their Taylor series, by Horner's rule in d^2:
// the first terms left out, d^27/27! and d^26/26!, are below 2^-270.
constexpr void SinAndVersine(const Fixed& d, Fixed& sine, Fixed& versine) {
  const Fixed d2 = Multiply(d, d);
  Fixed t = kInverseFactorial.of[25];
  for (int k = 23; k >= 3; k -= 2) t = Subtract(kInverseFactorial.of[k], Multiply(d2, t));
  sine = Multiply(d, Negate(Multiply(d2, t)));  // d (1 - d^2 t)
  t = kInverseFactorial.of[24];
  for (int k = 22; k >= 2; k -= 2) t = Subtract(kInverseFactorial.of[k], Multiply(d2, t));
  versine = Multiply(d2, t);
}

// sin(j pi/512) and cos(j pi/512) for j = 0..128 (cos 0 = 1 is kept as 0), turning through
// pi/512 step by step: each step adds an error below 2^-253, the last entry is good to 2^-245.
struct FixedTable {
  Fixed sine[129], cosine[129];
};

constexpr FixedTable MakeFixedTable() {
  FixedTable t{};
  Fixed stepSine, stepVersine;
  SinAndVersine(ShiftDown(kPiOver4, 7), stepSine, stepVersine);
  const Fixed stepCosine = Negate(stepVersine);
  t.sine[1] = stepSine;
  t.cosine[1] = stepCosine;
  for (int j = 2; j <= 128; ++j) {
    t.sine[j] = Add(Multiply(t.sine[j - 1], stepCosine), Multiply(t.cosine[j - 1], stepSine));
    t.cosine[j] = Subtract(Multiply(t.cosine[j - 1], stepCosine), Multiply(t.sine[j - 1], stepSine));
  }
  return t;
}

constexpr FixedTable kFixedTable = MakeFixedTable();

// x = head + tail: head is x rounded to 27 significant bits, tail the double nearest x - head.
constexpr void ToHeadAndTail(const Fixed& x, double& head, double& tail) {
  int lead = 0;
  for (int i = 0; i < 4 && x.w[i] == 0; ++i) lead += 64;
  lead += std::countl_zero(x.w[lead / 64]);
  // The 27 bits from the leading one, rounded at the 28th (a carry may move the leading one up).
  const Fixed rounded = Add(x, FromScaled(1, lead + 28));
  int top = 0;
  for (int i = 0; i < 4 && rounded.w[i] == 0; ++i) top += 64;
  top += std::countl_zero(rounded.w[top / 64]);
  const Fixed h = ShiftDown(ShiftUp(ShiftDown(ShiftUp(rounded, top), 229), 229), top);
  head = ToDouble(h);
  if (Less(h, x)) {
    tail = ToDouble(Subtract(x, h));
  } else if (Less(x, h)) {
    tail = -ToDouble(Subtract(h, x));
  } else {
    tail = 0;
  }
}

constexpr SinCosTable MakeTable() {
  SinCosTable t{};
  for (int j = -128; j < 128; ++j) {
    const int n = j < 0 ? -j : j;
    SinCosEntry& e = t.entries[j + 128];
    if (n == 0) {
      e = {0.0, 0.0, 1.0, 0.0};
      continue;
    }
    ToHeadAndTail(kFixedTable.sine[n], e.sinHead, e.sinTail);
    ToHeadAndTail(kFixedTable.cosine[n], e.cosHead, e.cosTail);
    if (j < 0) {
      e.sinHead = -e.sinHead;
      e.sinTail = -e.sinTail;
    }
  }
  return t;
}

// The header's constants are the leading bits of the same pi: pi/512 = (pi/4) 2^-7.
constexpr Fixed WithoutLeadingBits(Fixed a, int count) {
  for (int index = 1; index <= count; ++index) {
    a.w[(index - 1) / 64] &= ~(uint64_t(1) << (63 - (index - 1) % 64));
  }
  return a;
}
static_assert(kStep1 == static_cast<double>(Bits(kPiOver4, 1, 37)) / 0x1p44);
static_assert(kStep2 == ToDouble(WithoutLeadingBits(kPiOver4, 37)) / 0x1p7);

// a cut to its leading `count` significant bits.
constexpr Fixed Head(const Fixed& a, int count) {
  int lead = 0;
  for (int i = 0; i < 4 && a.w[i] == 0; ++i) lead += 64;
  lead += std::countl_zero(a.w[lead / 64]);
  return ShiftDown(ShiftUp(ShiftDown(ShiftUp(a, lead), 256 - count), 256 - count), lead);
}
constexpr Fixed kQuarterRest1 = Subtract(kPiOver4, Head(kPiOver4, 45));
constexpr Fixed kQuarterRest2 = Subtract(kQuarterRest1, Head(kQuarterRest1, 45));
constexpr Fixed kQuarterRest3 = Subtract(kQuarterRest2, Head(kQuarterRest2, 45));
static_assert(kHalfPi1 == 2 * ToDouble(Head(kPiOver4, 45)));
static_assert(kHalfPi2 == 2 * ToDouble(Head(kQuarterRest1, 45)));
static_assert(kHalfPi3 == 2 * ToDouble(Head(kQuarterRest2, 45)));
static_assert(kHalfPi4 == 2 * ToDouble(kQuarterRest3));
static_assert(kStepsPerRadian ==
              0x1p8 * ToDouble(Fixed{{kTwoOverPiBits[0], kTwoOverPiBits[1], kTwoOverPiBits[2],
                                      kTwoOverPiBits[3]}}));

// 64 bits of 2/pi from fraction bit `first` (1-based) on; zeros past the table.
uint64_t TwoOverPiBits(int first) {
  const int word = (first - 1) / 64, bit = (first - 1) % 64;
  const uint64_t high = word < kTwoOverPiWords ? kTwoOverPiBits[word] : 0;
  const uint64_t low = word + 1 < kTwoOverPiWords ? kTwoOverPiBits[word + 1] : 0;
  return bit == 0 ? high : (high << bit) | (low >> (64 - bit));
}

// 64 bits of a little-endian 384-bit number from bit `lowest` (0-based) up; zeros outside.
uint64_t ProductBits(const uint64_t (&p)[6], int lowest) {
  const auto word = [&](int k) -> uint64_t { return k < 6 ? p[k] : 0; };
  const int k = lowest / 64, bit = lowest % 64;  // lowest >= 0
  return bit == 0 ? word(k) : (word(k) >> bit) | (word(k + 1) << (64 - bit));
}

// sin and cos of x (2^-27 <= |x| finite), correctly rounded.
struct SineCosine {
  double sine, cosine;
};

SineCosine SlowSineCosine(double x) {
  const double ax = x < 0 ? -x : x;
  // ax = m 2^e. ax 512/pi = m 2^(e+8) sum of b_i 2^-i over the bits b_i of 2/pi; the bits with
  // e + 8 - i >= 10 add multiples of 1024 steps, a whole number of turns, and are left out. The
  // 320-bit window from bit e - 1 on keeps 310 or more bits below the point.
  const uint64_t bits = std::bit_cast<uint64_t>(ax);
  const uint64_t m = (bits & 0x000FFFFFFFFFFFFFu) | (uint64_t(1) << 52);
  const int e = static_cast<int>(bits >> 52) - 1075;
  const int first = e - 1 > 1 ? e - 1 : 1;
  uint64_t product[6] = {};  // m times the window, least significant word first
  uint64_t carry = 0;
  for (int k = 0; k < 5; ++k) {
    uint64_t hi = 0, lo = 0;
    Multiply64(m, TwoOverPiBits(first + 64 * (4 - k)), hi, lo);
    product[k] = lo + carry;
    carry = hi + (product[k] < lo ? 1 : 0);
  }
  product[5] = carry;
  const int point = first + 320 - 1 - e - 8;  // the product's bits below the point
  int steps = static_cast<int>(ProductBits(product, point) & 1023);
  Fixed f;
  for (int k = 0; k < 4; ++k) f.w[k] = ProductBits(product, point - 64 * (k + 1));
  // d = f pi/512 from the nearest step: a negative d is kept as its size and a sign.
  bool negative = false;
  if ((f.w[0] >> 63) != 0) {
    steps = (steps + 1) & 1023;
    f = Negate(f);
    negative = true;
  }
  const Fixed d = ShiftDown(Multiply(f, kPiOver4), 7);
  // steps = 256 q + j with j in -128..127; a negative j mirrors the angle.
  int j = ((steps + 128) & 255) - 128;
  const int quadrant = ((steps + 128) >> 8) & 3;
  bool mirrored = false;
  if (j < 0) {
    j = -j;
    negative = !negative;
    mirrored = true;
  }
  Fixed sinD, versD;
  SinAndVersine(d, sinD, versD);
  // a = j pi/512 + s d, s = -1 when negative: sin a = S - S vers d + s C sin d,
  // cos a = C - C vers d - s S sin d. With j = 0, S = 0 and C = 1.
  Fixed sinA, cosA;
  if (j == 0) {
    sinA = sinD;
    cosA = Negate(versD);
  } else {
    const Fixed& S = kFixedTable.sine[j];
    const Fixed& C = kFixedTable.cosine[j];
    const Fixed cSin = Multiply(C, sinD), sSin = Multiply(S, sinD);
    sinA = Subtract(S, Multiply(S, versD));
    cosA = Subtract(C, Multiply(C, versD));
    sinA = negative ? Subtract(sinA, cSin) : Add(sinA, cSin);
    cosA = negative ? Add(cosA, sSin) : Subtract(cosA, sSin);
  }
  // With j = 0 sin a has the sign of d; otherwise it is positive until mirrored back.
  const bool sinNegative = j == 0 ? negative : mirrored;
  const double sinMagnitude = ToDouble(sinA);
  const double cosMagnitude = IsZero(cosA) ? 1.0 : ToDouble(cosA);
  const double sinValue = sinNegative ? -sinMagnitude : sinMagnitude;
  // sin(q pi/2 + a): sin a, cos a, -sin a, -cos a; cos(q pi/2 + a): cos a, -sin a, -cos a, sin a.
  SineCosine out{};
  switch (quadrant) {
    case 0: out = {sinValue, cosMagnitude}; break;
    case 1: out = {cosMagnitude, -sinValue}; break;
    case 2: out = {-sinValue, -cosMagnitude}; break;
    default: out = {-cosMagnitude, sinValue}; break;
  }
  if (x < 0) out.sine = -out.sine;
  return out;
}

}  // namespace

constinit const SinCosTable kSinCosTable = MakeTable();

double SlowSin(double x) {
  const double ax = x < 0 ? -x : x;
  if (!(ax <= 0x1.fffffffffffffp1023)) return x - x;  // NaN for infinities; NaN stays NaN
  if (ax < 0x1p-27) return x;
  return SlowSineCosine(x).sine;
}

double SlowCos(double x) {
  const double ax = x < 0 ? -x : x;
  if (!(ax <= 0x1.fffffffffffffp1023)) return x - x;
  if (ax < 0x1p-27) return 1.0;
  return SlowSineCosine(x).cosine;
}

}  // namespace morvane::maths_detail
