// The declarations of host_api/ae_types.h against the host API layout table, row by row.
//
// The rows reach this file through ae_api_layout_checks.inc, generated from
// tests/host/ae-api-layout.tsv at build time. They are used twice: as static_asserts, so a
// declaration with the wrong layout does not build, and as a table of what the compiler laid out,
// which the test compares with the file as read at run time, so a row that the generator dropped
// or misread cannot pass unnoticed.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "host_api/ae_types.h"

namespace {

#define CHECK_SIZEOF(T, n) static_assert(sizeof(T) == (n), "sizeof " #T);
#define CHECK_ALIGNOF(T, n) static_assert(alignof(T) == (n), "alignof " #T);
#define CHECK_FIELD(T, f, off, n)                                  \
  static_assert(offsetof(T, f) == (off), "offset of " #T "." #f); \
  static_assert(sizeof(std::declval<T&>().f) == (n), "size of " #T "." #f);
#include "ae_api_layout_checks.inc"
#undef CHECK_SIZEOF
#undef CHECK_ALIGNOF
#undef CHECK_FIELD

// The aliases have only size rows; the module passes one where the API names the other.
static_assert(std::is_same_v<PF_EffectWorld, PF_LayerDef>);
static_assert(std::is_same_v<PF_Rect, PF_LRect>);
static_assert(std::is_same_v<PF_UnionableRect, PF_LRect>);
static_assert(std::is_same_v<PF_PixelFormatSuite1, PF_PixelFormatSuite>);
static_assert(std::is_same_v<PF_Pixel, PF_Pixel8>);
static_assert(std::is_same_v<PF_Pixel32, PF_PixelFloat>);

// Sizes do not show signedness: an unsigned A_long or a 16-bit word read as unsigned would pass
// every row above and still misread the host's values.
static_assert(std::is_same_v<A_long, int32_t> && std::is_same_v<A_u_long, uint32_t>);
static_assert(std::is_same_v<A_short, int16_t> && std::is_same_v<A_u_short, uint16_t>);
static_assert(std::is_same_v<A_u_char, uint8_t> && std::is_same_v<A_Boolean, uint8_t>);
static_assert(std::is_same_v<PF_Boolean, char> && std::is_same_v<A_char, char>);
static_assert(std::is_same_v<PF_Fixed, int32_t> && std::is_same_v<PF_UFixed, uint32_t>);
static_assert(std::is_same_v<PF_ValueDisplayFlags, int16_t> &&
              std::is_same_v<PF_RenderOutputFlags, int16_t>);
static_assert(std::is_same_v<PIType, uint32_t> && std::is_same_v<SPInt32, int32_t>);
static_assert(std::is_same_v<A_FpLong, double> && std::is_same_v<A_FpShort, float>);
static_assert(sizeof(PrPixelFormat) == 4 && std::is_signed_v<PrPixelFormat>);

struct Row {
  std::string_view record;
  std::string_view field;
  size_t offset;
  size_t size;
};

// What the compiler laid out, for every row of the table, in the table's order.
constexpr Row kDeclared[] = {
#define CHECK_SIZEOF(T, n) {#T, "(sizeof)", 0, sizeof(T)},
#define CHECK_ALIGNOF(T, n) {#T, "(alignof)", 0, alignof(T)},
#define CHECK_FIELD(T, f, off, n) {#T, #f, offsetof(T, f), sizeof(std::declval<T&>().f)},
#include "ae_api_layout_checks.inc"
#undef CHECK_SIZEOF
#undef CHECK_ALIGNOF
#undef CHECK_FIELD
};

struct TableRow {
  std::string record;
  std::string field;
  size_t offset = 0;
  size_t size = 0;
};

std::vector<TableRow> ReadTable(const char* path) {
  std::ifstream in(path);
  std::vector<TableRow> rows;
  std::string line;
  if (!std::getline(in, line)) return rows;  // header
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::istringstream fields(line);
    TableRow row;
    std::getline(fields, row.record, '\t');
    std::getline(fields, row.field, '\t');
    fields >> row.offset >> row.size;
    rows.push_back(row);
  }
  return rows;
}

TEST(HostLayout, DeclarationsMatchEveryRowOfTheTable) {
  const std::vector<TableRow> table = ReadTable(MORVANE_LAYOUT_TSV);
  ASSERT_FALSE(table.empty()) << "cannot read " << MORVANE_LAYOUT_TSV;
  ASSERT_EQ(table.size(), std::size(kDeclared)) << "the generated checks do not cover the table";
  for (size_t i = 0; i < table.size(); ++i) {
    const TableRow& want = table[i];
    const Row& got = kDeclared[i];
    SCOPED_TRACE(want.record + " " + want.field + " (row " + std::to_string(i + 2) + ")");
    EXPECT_EQ(got.record, want.record);
    EXPECT_EQ(got.field, want.field);
    EXPECT_EQ(got.offset, want.offset);
    EXPECT_EQ(got.size, want.size);
  }
}

}  // namespace
