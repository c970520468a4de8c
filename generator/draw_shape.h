// Turns one shape's chain into rasteriser calls: cuts it into pieces by the shape type, gives
// each piece its opacity (fade, then the source alpha) and its geometry, and calls the pieces'
// rasterisers in chain order. Draws no random numbers.
//
// DrawShape is a template over its drawing target so that tests can record the calls it makes;
// the generator uses it only with RasterTarget, which forwards to the rasterisers.
#pragma once
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "generator/build_chain.h"
#include "generator/generator_settings.h"
#include "raster/circle.h"
#include "raster/pixel_traits.h"
#include "raster/polygon.h"
#include "raster/rect.h"
#include "raster/stroke.h"
#include "raster/surface.h"
#include "support/maths.h"
#include "support/numeric.h"

namespace morvane {

// The output surface, with one member per rasteriser.
template <class P>
struct RasterTarget {
  using Cov = typename P::Coverage;

  Surface<P> surface;
  // The width of the last stroke drawn, kept: every segment of a shape has the same.
  StrokeWidth width{};

  const StrokeWidth& WidthOf(float lineWidth) {
    if (std::bit_cast<uint32_t>(lineWidth) != std::bit_cast<uint32_t>(width.LineWidth())) {
      width = StrokeWidth(lineWidth);
    }
    return width;
  }
  void DrawThickLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, float lineWidth,
                     const ShapeColour<P>& colour, Cov opacity) {
    morvane::DrawThickLine<P>(surface, x0, y0, x1, y1, WidthOf(lineWidth), colour, opacity);
  }
  void DrawJoinedSegment(int32_t x0, int32_t y0, int32_t x1, int32_t y1, float lineWidth,
                         int32_t x2, int32_t y2, const ShapeColour<P>& colour, Cov opacity) {
    morvane::DrawJoinedSegment<P>(surface, x0, y0, x1, y1, WidthOf(lineWidth), x2, y2, colour,
                                  opacity);
  }
  void FillTriangle(const Point& a, const Point& b, const Point& c, const ShapeColour<P>& colour,
                    Cov opacity) {
    morvane::FillTriangle<P>(surface, a, b, c, colour, opacity);
  }
  void FillQuad(const Point& a, const Point& b, const Point& c, const Point& d,
                const ShapeColour<P>& colour, Cov opacity) {
    morvane::FillQuad<P>(surface, a, b, c, d, colour, opacity);
  }
  void FillRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, const ShapeColour<P>& colour,
                Cov opacity) {
    morvane::FillRect<P>(surface, x0, y0, x1, y1, colour, opacity);
  }
  void DrawCircleOutline(int32_t cx, int32_t cy, int32_t radius, const ShapeColour<P>& colour,
                         Cov opacity) {
    morvane::DrawCircleOutline<P>(surface, cx, cy, radius, colour, opacity);
  }
  void FillCircle(int32_t cx, int32_t cy, int32_t radius, const ShapeColour<P>& colour,
                  Cov opacity) {
    morvane::FillCircle<P>(surface, cx, cy, radius, colour, opacity);
  }
};

// Scale of the fade arithmetic: the 8-bit scale at 8 bits, the 16-bit one at 16 bits and float.
template <class P>
inline constexpr int64_t kFadeScale = std::is_same_v<P, Pixel8> ? 255 : 32768;

// The opacity setting as the fade arithmetic takes it. At float depth that is
// trunc(opacity * 32768), saturated, so a NaN or huge opacity stays defined (NaN gives 0).
template <class P>
inline int64_t FadeOpacitySetting(const GeneratorSettings<P>& settings) {
  if constexpr (std::is_floating_point_v<SettingLevel<P>>) {
    return TruncToInt32(settings.opacity * 32768.0f);
  } else {
    return settings.opacity;
  }
}

// Opacity of piece k of s, whose far point was found on ring `radius`. 64-bit arithmetic keeps
// settings far outside their ranges from overflowing; within range (opacity and fade level up to
// the fade scale) every value is that of the 32-bit formulas. Divisions truncate toward zero.
template <class P>
inline int64_t PieceOpacity(const GeneratorSettings<P>& settings, int64_t opacity, int32_t k,
                            int32_t s, int32_t radius) {
  int64_t v;
  switch (settings.fadeType) {
    case kFadeOutBySize:
    case kFadeInBySize: {
      const int64_t size = ClampRadiusSetting(settings.size);
      const int64_t growth = ClampRadiusSetting(settings.sizeGrowth);
      // The chain only holds radii from size to size + growth; holding any other value to that
      // range bounds u by the opacity.
      int64_t r = radius;
      if (r > size + growth) r = size + growth;
      if (r < size) r = size;
      if (growth + 1 <= 0) return opacity;  // no ring exists, so no piece reaches here
      const int64_t u = ((r - size + 1) * opacity) / (growth + 1);
      v = settings.fadeType == kFadeOutBySize ? opacity - u : u;
      break;
    }
    case kFadeOutByRecursion:
    case kFadeInByRecursion: {
      if (settings.recursive != 1 || s <= 0) return opacity;
      const int64_t u = (opacity * k) / s;
      v = settings.fadeType == kFadeOutByRecursion ? opacity - u : u;
      break;
    }
    default:
      return opacity;
  }
  const int64_t scale = kFadeScale<P>;
  const int64_t level = settings.fadeLevel;
  return ((scale - level) * opacity) / scale + (v * level) / scale;
}

// The piece opacity scaled by the source alpha, in the rasterisers' coverage type. At 8 and 16
// bits the quotient is held to the coverage type's range, which in-range settings never leave.
template <class P>
inline typename P::Coverage StrokeOpacity(int64_t opacity, typename P::Channel alpha) {
  using Cov = typename P::Coverage;
  if constexpr (std::is_floating_point_v<Cov>) {
    const float c = static_cast<float>(static_cast<double>(opacity) * 0x1p-15) * alpha;
    if (std::isfinite(c)) [[likely]] return c;
    // An infinite source alpha (or a product beyond the float range) would meet the rasterisers'
    // zero weights and the blend's zero terms as Inf × 0 = NaN: it covers as much as the largest
    // finite coverage instead, and at zero opacity not at all. A NaN alpha stays the frame's NaN.
    if (std::isnan(c)) return std::isnan(alpha) ? c : 0.0f;
    return c > 0.0f ? std::numeric_limits<float>::max() : std::numeric_limits<float>::lowest();
  } else {
    constexpr int64_t kCoverageMax = (int64_t{1} << (8 * sizeof(Cov))) - 1;
    // An opacity beyond 2^32 (or below 0) saturates the quotient for every non-zero alpha, so
    // holding it there changes no result and keeps the product inside 64 bits.
    if (opacity < 0) opacity = 0;
    if (opacity > (int64_t{1} << 32)) opacity = int64_t{1} << 32;
    int64_t c = (static_cast<int64_t>(alpha) * opacity) / (std::is_same_v<P, Pixel8> ? 255 : 32768);
    if (c < 0) c = 0;
    if (c > kCoverageMax) c = kCoverageMax;
    return static_cast<Cov>(c);
  }
}

// The line width every stroke uses: at least 1 (a NaN width counts as 1).
inline float EffectiveLineWidth(float lineWidth) { return lineWidth >= 1.0f ? lineWidth : 1.0f; }

// The outline of a closed polygon: each side is joined to the next, so no corner is drawn twice.
template <class P, class Target, int N>
void DrawClosedOutline(Target& target, const Point (&v)[N], float lineWidth,
                       const ShapeColour<P>& colour, typename P::Coverage opacity) {
  for (int i = 0; i < N; ++i) {
    const Point& from = v[i];
    const Point& to = v[(i + 1) % N];
    const Point& next = v[(i + 2) % N];
    target.DrawJoinedSegment(from.x, from.y, to.x, to.y, lineWidth, next.x, next.y, colour,
                             opacity);
  }
}

// Draws the shape of chain (chain.count points) with the source colour; its alpha (channel 3)
// scales every piece's opacity. Chain coordinates must lie within the band BuildChain keeps.
template <class P, class Target>
void DrawShape(Target& target, const Chain& chain, const ShapeColour<P>& source,
               const GeneratorSettings<P>& settings) {
  const int32_t m = chain.count;
  const int32_t type = settings.shapeType;
  int32_t s;
  switch (type) {
    case kLine:
    case kSquare:
    case kCircle:
    case kRectangle:
      s = m - 1;
      break;
    case kCurve:
    case kTriangle:
      s = m - 2;
      break;
    default:
      return;
  }
  if (s <= 0) return;

  const int32_t* x = chain.x;
  const int32_t* y = chain.y;
  const float lineWidth = EffectiveLineWidth(settings.lineWidth);
  const bool fill = settings.fill != 0;
  const int64_t opacity = FadeOpacitySetting(settings);
  const auto mid = [](int32_t a, int32_t b) { return (a + b) / 2; };

  int32_t k = 0;
  while (k < s) {
    const auto o =
        StrokeOpacity<P>(PieceOpacity(settings, opacity, k, s, chain.radius[k]), source.channel[3]);
    switch (type) {
      case kLine:
        if (s == 1 || k + 2 >= s) {
          target.DrawThickLine(x[k], y[k], x[k + 1], y[k + 1], lineWidth, source, o);
        } else {
          target.DrawJoinedSegment(x[k], y[k], x[k + 1], y[k + 1], lineWidth, x[k + 2], y[k + 2],
                                   source, o);
        }
        k += 1;
        break;

      case kCurve: {
        int32_t c0x, c0y, c1x, c1y, c2x, c2y;
        if (s == 1) {
          c0x = x[0], c0y = y[0], c1x = x[1], c1y = y[1], c2x = x[2], c2y = y[2];
        } else if (k == 0) {
          c0x = x[0], c0y = y[0], c1x = x[1], c1y = y[1];
          c2x = mid(x[1], x[2]), c2y = mid(y[1], y[2]);
        } else {
          c0x = mid(x[k - 1], x[k]), c0y = mid(y[k - 1], y[k]);
          c1x = x[k], c1y = y[k];
          c2x = mid(x[k], x[k + 1]), c2y = mid(y[k], y[k + 1]);
        }
        const float fx0 = static_cast<float>(c0x), fx1 = static_cast<float>(c1x),
                    fx2 = static_cast<float>(c2x);
        const float fy0 = static_cast<float>(c0y), fy1 = static_cast<float>(c1y),
                    fy2 = static_cast<float>(c2y);
        int32_t prevX = TruncToInt32(QuadraticBezier(fx0, fx1, fx2, 0.0f));
        int32_t prevY = TruncToInt32(QuadraticBezier(fy0, fy1, fy2, 0.0f));
        for (int32_t i = 1; i <= 10; ++i) {
          const float t = static_cast<float>(i) / 10.0f;
          const int32_t sx = TruncToInt32(QuadraticBezier(fx0, fx1, fx2, t));
          const int32_t sy = TruncToInt32(QuadraticBezier(fy0, fy1, fy2, t));
          target.DrawThickLine(prevX, prevY, sx, sy, lineWidth, source, o);
          prevX = sx;
          prevY = sy;
        }
        k = k == 0 ? 2 : k + 1;
        break;
      }

      case kTriangle: {
        const Point corners[3] = {{x[k], y[k]}, {x[k + 1], y[k + 1]}, {x[k + 2], y[k + 2]}};
        if (fill) {
          target.FillTriangle(corners[0], corners[1], corners[2], source, o);
        } else {
          DrawClosedOutline<P>(target, corners, lineWidth, source, o);
        }
        k += 3;
        break;
      }

      case kSquare: {
        // The other diagonal: the half-diagonal A->B turned by +-90 degrees about the centre.
        const int32_t ax = x[k], ay = y[k], bx = x[k + 1], by = y[k + 1];
        const float hx = static_cast<float>(bx - ax) * 0.5f;
        const float hy = static_cast<float>(by - ay) * 0.5f;
        const float mx = (static_cast<float>(ax) + static_cast<float>(bx)) * 0.5f;
        const float my = (static_cast<float>(ay) + static_cast<float>(by)) * 0.5f;
        const auto corner = [&](double a, int32_t& cx, int32_t& cy) {
          const double c = Cos(a), sn = Sin(a);
          cx = TruncToInt32(static_cast<float>(hx * c + mx - hy * sn));
          cy = TruncToInt32(static_cast<float>(hx * sn + my + hy * c));
        };
        int32_t c1x, c1y, c2x, c2y;
        corner(1.570796326795, c1x, c1y);
        corner(-1.570796326795, c2x, c2y);
        const Point corners[4] = {{ax, ay}, {c1x, c1y}, {bx, by}, {c2x, c2y}};
        if (fill) {
          target.FillQuad(corners[0], corners[1], corners[2], corners[3], source, o);
        } else {
          DrawClosedOutline<P>(target, corners, lineWidth, source, o);
        }
        k += 2;
        break;
      }

      case kCircle: {
        const float dx = static_cast<float>(x[k + 1] - x[k] + 1);
        const float dy = static_cast<float>(y[k + 1] - y[k] + 1);
        const int32_t radius = TruncToInt32(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
        const int32_t cx = mid(x[k], x[k + 1]);
        const int32_t cy = mid(y[k], y[k + 1]);
        if (fill) {
          target.FillCircle(cx, cy, radius, source, o);
        } else {
          target.DrawCircleOutline(cx, cy, radius, source, o);
        }
        k += 2;
        break;
      }

      case kRectangle: {
        const int32_t x0 = x[k], y0 = y[k], x1 = x[k + 1], y1 = y[k + 1];
        if (fill) {
          target.FillRect(x0, y0, x1, y1, source, o);
        } else {
          target.DrawJoinedSegment(x0, y0, x1, y0, lineWidth, x1, y0, source, o);
          target.DrawJoinedSegment(x1, y0, x1, y1, lineWidth, x1, y1, source, o);
          target.DrawJoinedSegment(x1, y1, x0, y1, lineWidth, x0, y1, source, o);
          target.DrawJoinedSegment(x0, y1, x0, y0, lineWidth, x0, y0, source, o);
        }
        k += 2;
        break;
      }
    }
  }
}

}  // namespace morvane
