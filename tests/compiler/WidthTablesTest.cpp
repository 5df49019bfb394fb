// Samples from every row of the five width tables, read off the reader's font
// metrics by hand, and the choice of table and line height.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "WidthTables.h"

using namespace scrivora;

namespace {

// Samples (code, width) from every row of 16 codes of each table.
TEST(WidthTablesTest, SamplesFromEveryRowOfEachTable) {
  const struct {
    const char* name;
    const WidthTable& table;
    std::vector<std::pair<unsigned, unsigned>> samples;
  } tables[] = {
      // clang-format off
      {"Standard", standardWidthTable(), {
        {0x00, 0}, {0x09, 2}, {0x1F, 5}, {0x25, 8}, {0x26, 7}, {0x3A, 2}, {0x4D, 8}, {0x4F, 7},
        {0x57, 8}, {0x6D, 8}, {0x69, 2}, {0x7E, 7}, {0x89, 11}, {0x99, 10}, {0xAD, 4}, {0xB7, 2},
        {0xCD, 2}, {0xD8, 8}, {0xE6, 8}, {0xFD, 6}}},
      {"StandardBold", standardBoldWidthTable(), {
        {0x09, 2}, {0x10, 5}, {0x25, 13}, {0x3A, 3}, {0x40, 10}, {0x57, 11}, {0x6D, 9}, {0x77, 9},
        {0x89, 17}, {0x9E, 8}, {0xAB, 8}, {0xBC, 9}, {0xC6, 9}, {0xDF, 8}, {0xE6, 9}, {0xF8, 8}}},
      {"Large", largeWidthTable(), {
        {0x09, 4}, {0x1A, 5}, {0x20, 4}, {0x25, 11}, {0x30, 7}, {0x40, 11}, {0x41, 9}, {0x57, 11},
        {0x6D, 10}, {0x77, 10}, {0x85, 10}, {0x97, 12}, {0xAD, 4}, {0xBC, 8}, {0xC7, 7}, {0xDD, 6},
        {0xE6, 11}, {0xF0, 6}, {0xF1, 7}}},
      {"LargeBold", largeBoldWidthTable(), {
        {0x00, 5}, {0x14, 11}, {0x2A, 8}, {0x3B, 4}, {0x4A, 7}, {0x5E, 8}, {0x6D, 9}, {0x7B, 7},
        {0x80, 9}, {0x95, 8}, {0xA0, 1}, {0xB6, 8}, {0xC6, 11}, {0xD1, 8}, {0xEE, 5}, {0xF7, 7}}},
      {"SuperscriptAndSubscript", scriptWidthTable(), {
        {0x00, 5}, {0x17, 8}, {0x23, 6}, {0x31, 2}, {0x4E, 5}, {0x5F, 5}, {0x6D, 6}, {0x7E, 5},
        {0x89, 9}, {0x9E, 8}, {0xA9, 7}, {0xBE, 10}, {0xC6, 6}, {0xD8, 7}, {0xEC, 3}, {0xF8, 7}}},
      // clang-format on
  };
  for (const auto& t : tables) {
    for (const auto& [code, width] : t.samples)
      EXPECT_EQ(t.table.width(uint8_t(code)), width) << t.name << " code 0x" << std::hex << code;
  }
}

TEST(WidthTablesTest, ScriptWinsOverEveryFont) {
  for (int font = 0; font <= 2; ++font) {
    for (uint16_t style : {kSuperscriptStyle, kSubscriptStyle, uint16_t(kSubscriptStyle | kBoldStyle)}) {
      CharacterMetrics metrics = metricsFor(font, style);
      EXPECT_EQ(metrics.table, &scriptWidthTable());
      EXPECT_EQ(metrics.minimumLineHeight, 7u);
    }
  }
}

TEST(WidthTablesTest, FontAndBoldStyleChooseTableAndLineHeight) {
  EXPECT_EQ(metricsFor(0, 0).table, &standardWidthTable());
  EXPECT_EQ(metricsFor(0, 0).minimumLineHeight, 11u);
  EXPECT_EQ(metricsFor(0, kBoldStyle).table, &standardBoldWidthTable());
  EXPECT_EQ(metricsFor(1, 0).table, &standardBoldWidthTable());
  EXPECT_EQ(metricsFor(1, kBoldStyle).table, &standardBoldWidthTable());
  EXPECT_EQ(metricsFor(2, 0).table, &largeWidthTable());
  EXPECT_EQ(metricsFor(2, 0).minimumLineHeight, 14u);
  EXPECT_EQ(metricsFor(2, kBoldStyle).table, &largeBoldWidthTable());
  EXPECT_EQ(metricsFor(2, kBoldStyle).minimumLineHeight, 15u);
}

}  // namespace
