// One image as the rasterisers and the generator see it: the first pixel's alpha channel, the size
// in pixels and the distance from one row to the next in channels (rows may carry padding past
// their pixels, as host buffers do). Four channels per pixel, alpha, red, green, blue.
#pragma once
#include <algorithm>
#include <cstddef>
#include <climits>
#include <cstdint>

#include "raster/pixel_traits.h"

namespace morvane {

// Channel index of pixel (x, y). Formed in 64 bits: y × rowStride passes 2^31 on buffers beyond
// about 23000 × 23000 pixels.
inline std::ptrdiff_t PixelOffset(int32_t x, int32_t y, int32_t rowStride) {
  return static_cast<std::ptrdiff_t>(y) * rowStride + static_cast<std::ptrdiff_t>(x) * 4;
}

// The pixels a drawing may write, left ≤ x < left + columns and top ≤ y < top + rows, worked out
// once for a shape's many single-pixel blends.
struct WriteArea {
  int64_t left, top;
  uint64_t columns, rows;
  // One unsigned comparison per axis: below `left`, x − left wraps past any number of columns.
  bool Holds(int64_t x, int64_t y) const {
    return static_cast<uint64_t>(x) - static_cast<uint64_t>(left) < columns &&
           static_cast<uint64_t>(y) - static_cast<uint64_t>(top) < rows;
  }
  // Whether the rows first..last (or the box of those rows and the columns from..to, all
  // inclusive) hold none of the area's pixels: a piece of a shape that lies there, drawn into a
  // band of the frame, returns before its set-up.
  bool MissesRows(int64_t first, int64_t last) const {
    return last < top || first >= top + static_cast<int64_t>(rows);
  }
  bool Misses(int64_t from, int64_t first, int64_t to, int64_t last) const {
    return MissesRows(first, last) || to < left || from >= left + static_cast<int64_t>(columns);
  }
};

// Ch is the channel type, const for an image that is only read.
//
// Drawing may be limited to the rows clipTop ≤ y < clipBottom and the columns clipLeft ≤ x <
// clipRight (a band of the frame that one thread draws). Every shape is still worked out on the
// whole frame, so a pixel inside the band gets the same value as in a drawing without the clip.
template <class P, class Ch = typename P::Channel>
struct Surface {
  Ch* base = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t rowStride = 0;  // in channels
  int32_t clipTop = 0;
  int32_t clipBottom = INT32_MAX;
  int32_t clipLeft = 0;
  int32_t clipRight = INT32_MAX;

  // The rows that may be written: WriteTop() ≤ y < WriteBottom(); the columns: WriteLeft() ≤ x <
  // WriteRight().
  int32_t WriteTop() const { return clipTop > 0 ? clipTop : 0; }
  int32_t WriteBottom() const { return clipBottom < height ? clipBottom : height; }
  int32_t WriteLeft() const { return clipLeft > 0 ? clipLeft : 0; }
  int32_t WriteRight() const { return clipRight < width ? clipRight : width; }
  WriteArea Writes() const {
    const int64_t left = WriteLeft(), right = WriteRight(), top = WriteTop(), bottom = WriteBottom();
    return {left, top, static_cast<uint64_t>(std::max<int64_t>(right - left, 0)),
            static_cast<uint64_t>(std::max<int64_t>(bottom - top, 0))};
  }
  bool Writable(int64_t x, int64_t y) const { return Writes().Holds(x, y); }
  // This surface limited to the rows (or the columns) from ≤ i < to: the band one thread draws.
  Surface Band(bool columns, int32_t from, int32_t to) const {
    Surface band = *this;
    (columns ? band.clipLeft : band.clipTop) = from;
    (columns ? band.clipRight : band.clipBottom) = to;
    return band;
  }
  // The alpha channel of pixel (x, y), which must lie inside the image.
  Ch* PixelAt(int32_t x, int32_t y) const { return base + PixelOffset(x, y, rowStride); }
  // Asks for pixel (x, y), inside the image, ahead of writing it (a hint only). The frame is far
  // larger than the caches and every row lies on lines of its own, so a shape asks for each of its
  // rows before drawing any: the rows then arrive together instead of one after the other.
  void Prefetch(int32_t x, int32_t y) const { __builtin_prefetch(PixelAt(x, y), 1); }
};

template <class P>
using InputSurface = Surface<P, const typename P::Channel>;

// A surface over host memory given in bytes. The row stride is the row bytes shifted, not divided,
// as the host itself converts them.
template <class P, class Ch = typename P::Channel>
Surface<P, Ch> SurfaceOfBytes(void* data, int32_t width, int32_t height, int32_t rowBytes) {
  return {static_cast<Ch*>(data), width, height, rowBytes >> P::kRowStrideShift};
}

}  // namespace morvane
