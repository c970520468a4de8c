#include "host/pipl.h"

#include <array>
#include <cstddef>
#include <iterator>
#include <string_view>

namespace morvane {
namespace {

// Values of the list that no other part of the effect reports.
constexpr uint16_t kResourceLeadWord = 1;  // the resource's word before the list, not the list's
constexpr int32_t kListVersion = 0;
constexpr int16_t kPiplFormatMajor = 2;
constexpr int16_t kPiplFormatMinor = 0;
constexpr uint16_t kNoInfoFlags = 0;
constexpr uint32_t kNoReservedInfo = 0;

enum class Data { kFourCC, kPascalString, kCString, kTwoShorts, kShort, kLong };

struct Property {
  uint32_t key;
  Data data;
  std::string_view text = {};
  uint32_t value = 0;   // kFourCC, kShort, kLong; the first of kTwoShorts
  uint32_t second = 0;  // the second of kTwoShorts
};

// The host reads the properties in this order.
constexpr Property kProperties[] = {
    {.key = kPiplKind, .data = Data::kFourCC, .value = kEffectKind},
    {.key = kPiplName, .data = Data::kPascalString, .text = kEffectName},
    {.key = kPiplCategory, .data = Data::kPascalString, .text = kEffectCategory},
    {.key = kPiplEntryPointWin64, .data = Data::kCString, .text = kEntryPointName},
    {.key = kPiplListVersionKey, .data = Data::kTwoShorts, .value = uint16_t(kPiplFormatMajor),
     .second = uint16_t(kPiplFormatMinor)},
    {.key = kPiplApiVersion, .data = Data::kTwoShorts, .value = uint16_t(kApiVersionMajor),
     .second = uint16_t(kApiVersionMinor)},
    {.key = kPiplVersion, .data = Data::kLong, .value = kVersionWord},
    {.key = kPiplInfoFlags, .data = Data::kShort, .value = kNoInfoFlags},
    {.key = kPiplOutFlags, .data = Data::kLong, .value = kOutFlags},
    {.key = kPiplOutFlags2, .data = Data::kLong, .value = kOutFlags2},
    {.key = kPiplMatchName, .data = Data::kPascalString, .text = kEffectMatchName},
    {.key = kPiplReservedInfo, .data = Data::kLong, .value = kNoReservedInfo},
};

constexpr uint32_t PadTo4(size_t n) { return uint32_t((n + 3) & ~size_t(3)); }

// The length field: strings count their zero padding, the 16-bit value does not.
constexpr uint32_t DataLength(const Property& p) {
  switch (p.data) {
    case Data::kPascalString:
      if (p.text.size() > 255) throw "a Pascal string holds at most 255 characters";
      return PadTo4(1 + p.text.size());
    case Data::kCString:
      return PadTo4(p.text.size() + 1);
    case Data::kShort:
      return 2;
    case Data::kFourCC:
    case Data::kTwoShorts:
    case Data::kLong:
      return 4;
  }
  throw "unknown property data";
}

// Capacity 0 only counts, so the same writer sizes the array and then fills it.
template <size_t N>
struct ByteWriter {
  std::array<uint8_t, N> bytes{};
  size_t size = 0;

  constexpr void Put8(uint32_t b) {
    if constexpr (N > 0) bytes[size] = uint8_t(b);
    ++size;
  }
  constexpr void Put16(uint32_t v) {
    Put8(v & 0xFF);
    Put8((v >> 8) & 0xFF);
  }
  constexpr void Put32(uint32_t v) {
    Put16(v & 0xFFFF);
    Put16(v >> 16);
  }
};

template <size_t N>
consteval ByteWriter<N> WritePipl() {
  ByteWriter<N> out;
  out.Put16(kResourceLeadWord);
  out.Put32(uint32_t(kListVersion));
  out.Put32(uint32_t(std::size(kProperties)));
  for (const Property& p : kProperties) {
    const uint32_t length = DataLength(p);
    out.Put32(kPiplVendor);
    out.Put32(p.key);
    out.Put32(0);  // id: the first property with this key
    out.Put32(length);
    const size_t start = out.size;
    switch (p.data) {
      case Data::kFourCC:
      case Data::kLong:
        out.Put32(p.value);
        break;
      case Data::kTwoShorts:
        out.Put16(p.value);
        out.Put16(p.second);
        break;
      case Data::kShort:
        out.Put16(p.value);
        break;
      case Data::kPascalString:
        out.Put8(uint32_t(p.text.size()));
        for (char c : p.text) out.Put8(uint8_t(c));
        break;
      case Data::kCString:
        for (char c : p.text) out.Put8(uint8_t(c));
        out.Put8(0);
        break;
    }
    while ((out.size - start) % 4 != 0) out.Put8(0);
    if (out.size - start != PadTo4(length)) throw "property data does not match its length";
  }
  return out;
}

constexpr size_t kPiplSize = WritePipl<0>().size;
constexpr std::array<uint8_t, kPiplSize> kPipl = WritePipl<kPiplSize>().bytes;

}  // namespace

std::span<const uint8_t> PiplBytes() { return kPipl; }

}  // namespace morvane
