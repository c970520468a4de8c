// The plug-in property list bytes, against a table written out by hand, and read back the way a
// host reads them.
#include "host/pipl.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/effect_info.h"

namespace {

using namespace std::string_view_literals;

// Each property as it is stored: the key's four bytes as they appear in the file, the length
// field, and the data including its zero padding.
struct StoredProperty {
  std::string_view key;
  uint32_t length;
  std::string_view data;
};

const StoredProperty kExpectedProperties[] = {
    {"dnik", 4, "TKFe"sv},                               // kind 'eFKT'
    {"eman", 8, "\x07Morvane"sv},                        // name
    {"gtac", 8, "\x06Vantor\0"sv},                       // catg
    {"4668", 12, "EffectMain\0\0"sv},                    // 8664, C string
    {"RVPe", 4, "\x02\x00\x00\x00"sv},                   // ePVR 2, 0
    {"RVSe", 4, "\x0D\x00\x11\x00"sv},                   // eSVR 13, 17
    {"REVe", 4, "\x01\x0E\x08\x00"sv},                   // eVER 0x00080E01
    {"FNIe", 2, "\x00\x00\x00\x00"sv},                   // eINF 0: length 2, then 2 zero bytes
    {"OLGe", 4, "\x00\x00\x00\x06"sv},                   // eGLO 0x06000000
    {"2LGe", 4, "\x10\x14\x00\x00"sv},                   // eGL2 0x00001410
    {"ANMe", 16, "\x0EVantorMorvanes\0"sv},              // eMNA
    {"LFea", 4, "\x00\x00\x00\x00"sv},                   // aeFL 0
};

void Append(std::string& out, std::string_view bytes) { out.append(bytes); }
void AppendLE32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

std::string ExpectedBytes(size_t* property_starts) {
  std::string out;
  Append(out, "\x01\x00"sv);          // resource word 1
  Append(out, "\x00\x00\x00\x00"sv);  // list version 0
  Append(out, "\x0C\x00\x00\x00"sv);  // 12 properties
  size_t i = 0;
  for (const StoredProperty& p : kExpectedProperties) {
    property_starts[i++] = out.size();
    Append(out, "MIB8");  // vendor '8BIM'
    Append(out, p.key);
    AppendLE32(out, 0);  // id
    AppendLE32(out, p.length);
    Append(out, p.data);
  }
  return out;
}

TEST(HostPipl, BytesMatchTheTableByteForByte) {
  size_t starts[std::size(kExpectedProperties)];
  const std::string expected = ExpectedBytes(starts);
  const std::span<const uint8_t> actual = morvane::PiplBytes();
  EXPECT_EQ(expected.size(), 278u);
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t at = 0; at < expected.size(); ++at) {
    if (actual[at] == uint8_t(expected[at])) continue;
    std::string where = "header";
    for (size_t p = 0; p < std::size(kExpectedProperties) && starts[p] <= at; ++p)
      where = "property " + std::to_string(p + 1) + " (" + std::string(kExpectedProperties[p].key) +
              ") byte " + std::to_string(at - starts[p]);
    ADD_FAILURE() << "first difference at offset " << at << ", " << where << ": got 0x" << std::hex
                  << int(actual[at]) << ", want 0x" << int(uint8_t(expected[at]));
    break;
  }
}

// The list as a host reads it: each property's data is followed by zero bytes up to a multiple of
// four, and the next property starts there.
struct ParsedProperty {
  uint32_t vendor;
  uint32_t key;
  int32_t id;
  uint32_t length;
  std::span<const uint8_t> data;
};

uint32_t ReadLE32(std::span<const uint8_t> b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}

std::optional<std::vector<ParsedProperty>> ParsePipl(std::span<const uint8_t> b) {
  if (b.size() < 10 || b[0] != 1 || b[1] != 0 || ReadLE32(b, 2) != 0) return std::nullopt;
  const uint32_t count = ReadLE32(b, 6);
  std::vector<ParsedProperty> properties;
  size_t at = 10;
  for (uint32_t i = 0; i < count; ++i) {
    if (b.size() - at < 16) return std::nullopt;
    ParsedProperty p{ReadLE32(b, at), ReadLE32(b, at + 4), int32_t(ReadLE32(b, at + 8)),
                     ReadLE32(b, at + 12), {}};
    at += 16;
    const size_t padded = (size_t(p.length) + 3) & ~size_t(3);
    if (b.size() - at < padded) return std::nullopt;
    p.data = b.subspan(at, p.length);
    for (size_t pad = p.length; pad < padded; ++pad)
      if (b[at + pad] != 0) return std::nullopt;
    at += padded;
    properties.push_back(p);
  }
  if (at != b.size()) return std::nullopt;
  return properties;
}

const ParsedProperty* Find(const std::vector<ParsedProperty>& list, const char (&key)[5]) {
  for (const ParsedProperty& p : list)
    if (p.key == morvane::FourCC(key)) return &p;
  return nullptr;
}

std::optional<uint32_t> Word(const std::vector<ParsedProperty>& list, const char (&key)[5]) {
  const ParsedProperty* p = Find(list, key);
  if (p == nullptr || p->length != 4) return std::nullopt;
  return ReadLE32(p->data, 0);
}

std::string PascalString(const std::vector<ParsedProperty>& list, const char (&key)[5]) {
  const ParsedProperty* p = Find(list, key);
  if (p == nullptr || p->data.empty() || size_t(1) + p->data[0] > p->data.size()) return "<missing>";
  return std::string(reinterpret_cast<const char*>(p->data.data()) + 1, p->data[0]);
}

TEST(HostPipl, ReadsBackAsWhatTheEffectReportsElsewhere) {
  const auto list = ParsePipl(morvane::PiplBytes());
  ASSERT_TRUE(list.has_value()) << "the list does not parse as a host reads it";
  ASSERT_EQ(list->size(), 12u);
  for (const ParsedProperty& p : *list) {
    EXPECT_EQ(p.vendor, morvane::FourCC("8BIM"));
    EXPECT_EQ(p.id, 0);
  }

  // Global setup writes these three into out_data; the host requires the PiPL to agree.
  EXPECT_EQ(Word(*list, "eVER"), morvane::kVersionWord);
  EXPECT_EQ(Word(*list, "eGLO"), morvane::kOutFlags);
  EXPECT_EQ(Word(*list, "eGL2"), morvane::kOutFlags2);

  // PluginDataEntryFunction reports these; a host may take either source.
  EXPECT_EQ(Word(*list, "kind"), morvane::kEffectKind);
  EXPECT_EQ(PascalString(*list, "name"), morvane::kEffectName);
  EXPECT_EQ(PascalString(*list, "catg"), morvane::kEffectCategory);
  EXPECT_EQ(PascalString(*list, "eMNA"), morvane::kEffectMatchName);
  const ParsedProperty* entry = Find(*list, "8664");
  ASSERT_NE(entry, nullptr);
  const std::string_view entry_data(reinterpret_cast<const char*>(entry->data.data()),
                                    entry->data.size());
  EXPECT_EQ(entry_data.substr(0, entry_data.find('\0')), morvane::kEntryPointName);
  const auto api = Word(*list, "eSVR");
  ASSERT_TRUE(api.has_value());
  EXPECT_EQ(*api & 0xFFFF, uint32_t(morvane::kApiVersionMajor));
  EXPECT_EQ(*api >> 16, uint32_t(morvane::kApiVersionMinor));
}

}  // namespace
