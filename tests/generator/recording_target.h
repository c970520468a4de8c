// A drawing target that records the rasteriser calls DrawShape and the generation loop make,
// so tests can check pieces, geometry, order and opacity without looking at pixels.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "generator/draw_shape.h"
#include "raster/pixel_traits.h"

namespace morvane::test {

// One letter per rasteriser: T DrawThickLine, J DrawJoinedSegment, A FillTriangle, Q FillQuad,
// R FillRect, O DrawCircleOutline, C FillCircle.
struct RecordedCall {
  char kind = '?';
  std::vector<int32_t> coords;  // the integer geometry arguments in call order
  float lineWidth = 0.0f;       // 0 for the rasterisers without one
  double opacity = 0.0;
  double colour[4] = {};  // blue, green, red, alpha

  bool operator==(const RecordedCall& o) const {
    // Opacity compared bitwise-equal as a value (NaN never appears in the recorded tests).
    return kind == o.kind && coords == o.coords && lineWidth == o.lineWidth &&
           opacity == o.opacity && colour[0] == o.colour[0] && colour[1] == o.colour[1] &&
           colour[2] == o.colour[2] && colour[3] == o.colour[3];
  }
};

inline std::ostream& operator<<(std::ostream& os, const RecordedCall& c) {
  os << c.kind << "(";
  for (size_t i = 0; i < c.coords.size(); ++i) os << (i ? "," : "") << c.coords[i];
  return os << " w=" << c.lineWidth << " o=" << c.opacity << ")";
}

template <class P>
struct RecordingTarget {
  using Cov = typename P::Coverage;
  std::vector<RecordedCall> calls;

  std::string kinds() const {
    std::string s;
    for (const RecordedCall& c : calls) s += c.kind;
    return s;
  }

  void DrawThickLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, float w,
                     const ShapeColour<P>& colour, Cov o) {
    Add('T', {x0, y0, x1, y1}, w, colour, o);
  }
  void DrawJoinedSegment(int32_t x0, int32_t y0, int32_t x1, int32_t y1, float w, int32_t x2,
                         int32_t y2, const ShapeColour<P>& colour, Cov o) {
    Add('J', {x0, y0, x1, y1, x2, y2}, w, colour, o);
  }
  void FillTriangle(const Point& a, const Point& b, const Point& c, const ShapeColour<P>& colour,
                    Cov o) {
    Add('A', {a.x, a.y, b.x, b.y, c.x, c.y}, 0.0f, colour, o);
  }
  void FillQuad(const Point& a, const Point& b, const Point& c, const Point& d,
                const ShapeColour<P>& colour, Cov o) {
    Add('Q', {a.x, a.y, b.x, b.y, c.x, c.y, d.x, d.y}, 0.0f, colour, o);
  }
  void FillRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, const ShapeColour<P>& colour,
                Cov o) {
    Add('R', {x0, y0, x1, y1}, 0.0f, colour, o);
  }
  void DrawCircleOutline(int32_t cx, int32_t cy, int32_t r, const ShapeColour<P>& colour, Cov o) {
    Add('O', {cx, cy, r}, 0.0f, colour, o);
  }
  void FillCircle(int32_t cx, int32_t cy, int32_t r, const ShapeColour<P>& colour, Cov o) {
    Add('C', {cx, cy, r}, 0.0f, colour, o);
  }

 private:
  void Add(char kind, std::vector<int32_t> coords, float w, const ShapeColour<P>& colour, Cov o) {
    RecordedCall c;
    c.kind = kind;
    c.coords = std::move(coords);
    c.lineWidth = w;
    c.opacity = static_cast<double>(o);
    for (int i = 0; i < 4; ++i) c.colour[i] = static_cast<double>(colour.channel[i]);
    calls.push_back(std::move(c));
  }
};

}  // namespace morvane::test
