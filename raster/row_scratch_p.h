// Private to the rasterisers: the per-thread working rows of their span and row tables.
#pragma once
#include <cstddef>
#include <cstdint>

namespace morvane {

// Working rows of this thread for span and row tables: at least count entries, contents
// unspecified. The storage grows to the largest request and is reused, so a warmed-up render
// thread draws shapes without allocating. Valid until the thread's next call.
int32_t* RowScratch(std::size_t count);

// Working rows for one shape: a table of up to kLocal entries on the stack, a larger one in the
// thread's scratch (RowScratch). Most shapes are small, and asking for the thread's storage per
// shape is a call into emulated thread storage on the Windows build.
template <std::size_t kLocal>
class ShapeRows {
 public:
  explicit ShapeRows(std::size_t count) : rows_(count <= kLocal ? local_ : RowScratch(count)) {}
  ShapeRows(const ShapeRows&) = delete;
  ShapeRows& operator=(const ShapeRows&) = delete;

  int32_t* Get() const { return rows_; }

 private:
  int32_t local_[kLocal];
  int32_t* rows_;
};

}  // namespace morvane
