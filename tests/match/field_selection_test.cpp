#include "match/field_selection.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

namespace zanto {
namespace {

// The marked separator bytes, in byte order.
std::string Separators(const FieldSelection& s) {
  std::string out;
  for (int b = 0; b < 256; ++b) {
    if (s.separator[b]) out += static_cast<char>(b);
  }
  return out;
}

std::vector<int> Fields(const FieldSelection& s) {
  std::vector<int> out;
  for (int f = 0; f <= kFieldLimit; ++f) {
    if (s.selected[f]) out.push_back(f);
  }
  return out;
}

std::vector<int> Range(int low, int high) {
  std::vector<int> out;
  for (int f = low; f <= high; ++f) out.push_back(f);
  return out;
}

TEST(FieldTexts, SeparatorWordsAndFieldNumbers) {
  struct Case {
    const char* separators;
    const char* numbers;
    FieldSpecFault result;
    std::string marked;
    std::vector<int> fields;
  } cases[] = {
      // Separators.
      {"\\t , \\s", "", FieldSpecFault::kNone, std::string("\t ,"), {1}},
      {"ab", "1", FieldSpecFault::kNone, "a", {1}},
      {"", "1", FieldSpecFault::kNone, ",", {1}},
      {"   ", "1", FieldSpecFault::kNone, ",", {1}},
      {"\\\\ \\", "1", FieldSpecFault::kNone, "\\", {1}},
      {"\\x :", "1", FieldSpecFault::kNone, ":", {1}},
      {"\\S", "1", FieldSpecFault::kNone, "", {1}},
      // Field numbers.
      {"", "1 2 5-10", FieldSpecFault::kNone, ",", {1, 2, 5, 6, 7, 8, 9, 10}},
      {"", "10-5", FieldSpecFault::kNone, ",", Range(5, 10)},
      {"", "  99  1-1 ", FieldSpecFault::kNone, ",", {1, 99}},
      {"", "1-99", FieldSpecFault::kNone, ",", Range(1, 99)},
      {"", "", FieldSpecFault::kNone, ",", {1}},
      {"", "0", FieldSpecFault::kNumbers, ",", {}},
      {"", "100", FieldSpecFault::kNumbers, ",", {}},
      {"", "3x", FieldSpecFault::kNumbers, ",", {}},
      {"", "5-", FieldSpecFault::kNumbers, ",", {}},
      {"", "-5", FieldSpecFault::kNumbers, ",", {}},
      {"", "2-100", FieldSpecFault::kNumbers, ",", {}},
      {"", "2-3-4", FieldSpecFault::kNumbers, ",", {}},
      {"", "00000000000000000007", FieldSpecFault::kNone, ",", {7}},
      {"", "99999999999999999999", FieldSpecFault::kNumbers, ",", {}},
      // A bad word keeps the fields of the words before it.
      {"", "4 7-8 x 9", FieldSpecFault::kNumbers, ",", {4, 7, 8}},
  };
  for (const Case& c : cases) {
    FieldSelection s;
    std::memset(&s, 0xAB, sizeof s);  // whatever was there before is cleared
    EXPECT_EQ(FillFieldSelection(c.separators, c.numbers, &s), c.result) << c.separators << "|" << c.numbers;
    EXPECT_EQ(Separators(s), c.marked) << c.separators << "|" << c.numbers;
    EXPECT_EQ(Fields(s), c.fields) << c.separators << "|" << c.numbers;
  }
}

}  // namespace
}  // namespace zanto
