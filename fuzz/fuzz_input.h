// Reads a fuzzer's bytes as a sequence of choices; past the end every read gives zeros, so every
// input, however short, is a complete case.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace morvane::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
  int32_t I32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(Byte()) << (8 * i);
    int32_t s;
    std::memcpy(&s, &v, sizeof s);
    return s;
  }
  // The bytes not read yet.
  const uint8_t* rest() const { return data_ + pos_; }
  size_t restSize() const { return pos_ < size_ ? size_ - pos_ : 0; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace morvane::fuzz
