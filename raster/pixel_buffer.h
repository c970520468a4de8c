// One image as the host hands it over: pixels, size and row bytes (which may exceed the pixels
// of a row). The rasterisers take base, width, height and a row stride counted in channels.
#pragma once
#include <cstdint>

namespace morvane {

struct PixelBuffer {
  void* data = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t rowBytes = 0;
};

template <class P>
inline typename P::Channel* channelBase(const PixelBuffer& b) {
  return static_cast<typename P::Channel*>(b.data);
}

// Row length in channels. The shift (not a division) matches the host's own convention.
template <class P>
inline int32_t rowStride(const PixelBuffer& b) {
  return b.rowBytes >> P::kRowStrideShift;
}

}  // namespace morvane
