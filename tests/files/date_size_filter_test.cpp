#include "files/date_size_filter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/fake_host.h"

namespace zanto {
namespace {

using test::FakeHost;

uint16_t DosDate(int year, int month, int day) {
  return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
}

FindRecord Record(const char* name, uint16_t date, int32_t size) {
  FindRecord r;
  r.date = date;
  r.size = size;
  strcpy(r.name, name);
  return r;
}

TEST(DateInRange, CenturyRule) {
  struct Case {
    const char* start;
    const char* date;
    const char* end;
    int want;
  } cases[] = {
      // All on one side of 70: plain comparison.
      {"980100", "980615", "981299", 1},
      {"980100", "990101", "981299", 0},
      {"000000", "030101", "059999", 1},
      // Across the century.
      {"990100", "990615", "001299", 1},
      {"990100", "000301", "001299", 1},
      {"990100", "010101", "001299", 0},
      {"990100", "981231", "001299", 0},
      {"700000", "691231", "999999", 0},  // 2069 lies after 1999
      {"700101", "700101", "000101", 1},
      // An empty start lies in 2000.
      {"000000", "000000", "999999", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateInRange(c.start, c.date, c.end), c.want) << c.start << " " << c.date << " " << c.end;
  }
}

TEST(DateSizeFilter, DateRangeParsing) {
  struct Case {
    const char* start;
    const char* end;
    RangeFault want;
    // Dates that must pass / fail afterwards (when the parse succeeded).
    const char* passing;
    const char* failing;
  } cases[] = {
      {"9801", "9812", RangeFault::kNone, "980101,981231,980100", "971231,990101"},
      {"9901", "0012", RangeFault::kNone, "990615,000301", "010101,981231"},
      {"9801", "", RangeFault::kNone, "980101,991231", "000101,971231"},
      {"", "", RangeFault::kDateStart, "", ""},
      {"0101", "", RangeFault::kDateStart, "", ""},
      {"98a", "", RangeFault::kDateStart, "", ""},
      {"-98", "", RangeFault::kDateStart, "", ""},
      {"98", "99x", RangeFault::kDateEnd, "", ""},
      {"1234567", "", RangeFault::kDateStart, "", ""},
      {"9905", "9901", RangeFault::kDateStart, "", ""},
      {"", "05", RangeFault::kNone, "000101,051231", "060101,991231"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.start) + ".." + c.end);
    DateSizeFilter filter;
    filter.dateOn = true;
    EXPECT_EQ(ParseDateRangeTexts(c.start, c.end, &filter.date), c.want);
    if (c.want != RangeFault::kNone) continue;
    auto check = [&filter](const char* list, int want) {
      std::string all = list;
      size_t at = 0;
      while (at < all.size()) {
        std::string d = all.substr(at, 6);
        at += 7;
        int y = std::stoi(d.substr(0, 2)), m = std::stoi(d.substr(2, 2)), day = std::stoi(d.substr(4, 2));
        int year = y >= 80 ? 1900 + y : 2000 + y;
        FindRecord r = Record("f.txt", DosDate(year, m, day), 1);
        EXPECT_EQ(PassesDateSizeFilter(filter, "f.txt", r), want) << d;
      }
    };
    check(c.passing, 1);
    check(c.failing, 0);
  }
}

TEST(DateSizeFilter, FailedOrSkippedParseKeepsWhatTheRulesSay) {
  FindRecord r = Record("f.txt", DosDate(1998, 5, 5), 1);
  DateSizeRanges ranges;
  ranges.dateOn = true;
  std::strcpy(ranges.dateStart, "9801");
  std::strcpy(ranges.dateEnd, "9812");
  EXPECT_EQ(PassesDateSizeFilter(DateSizeFilterFrom(ranges), "f.txt", r), 1);
  // A filter that is off passes whatever its texts.
  ranges.dateOn = false;
  std::strcpy(ranges.dateStart, "x");
  std::strcpy(ranges.dateEnd, "y");
  EXPECT_EQ(CheckDateSizeRanges(ranges), RangeFault::kNone);
  EXPECT_EQ(PassesDateSizeFilter(DateSizeFilterFrom(ranges), "f.txt", r), 1);
  // A failed parse leaves the default bounds 000000..999999, which nothing
  // passes, and writes no bounds of its own.
  ranges.dateOn = true;
  ranges.dateStart[0] = ranges.dateEnd[0] = '\0';
  EXPECT_NE(CheckDateSizeRanges(ranges), RangeFault::kNone);
  EXPECT_EQ(PassesDateSizeFilter(DateSizeFilterFrom(ranges), "f.txt", r), 0);
  DateBounds kept;
  ASSERT_EQ(ParseDateRangeTexts("9801", "9812", &kept), RangeFault::kNone);
  EXPECT_NE(ParseDateRangeTexts("", "", &kept), RangeFault::kNone);
  EXPECT_STREQ(kept.start, "980100");
  EXPECT_STREQ(kept.end, "981299");
}

TEST(DateSizeFilter, SizeRangeParsing) {
  struct Case {
    const char* min;
    const char* max;
    RangeFault want;
    int32_t pass;     // a size that passes afterwards, or -1
    int32_t fail;     // a size that fails afterwards, or -1
  } cases[] = {
      {"10k", "", RangeFault::kNone, 10000, 9999},
      {"10K", "20K", RangeFault::kNone, 20000, 20001},
      {"", "1000", RangeFault::kNone, 0, 1001},
      {"", "", RangeFault::kNone, 2147483647, -1},
      {"10K", "1000", RangeFault::kSizeMin, -1, -1},
      {"12a", "", RangeFault::kSizeMin, -1, -1},
      {"1K0", "", RangeFault::kSizeMin, -1, -1},
      {"-5", "", RangeFault::kSizeMin, -1, -1},
      {"+5", "", RangeFault::kSizeMin, -1, -1},
      {"5", "x", RangeFault::kSizeMax, -1, -1},
      // K beyond 32 bits is refused instead of wrapping.
      {"99999999K", "", RangeFault::kSizeMin, -1, -1},
      {"", "2147484K", RangeFault::kSizeMax, -1, -1},
      {"", "2147483K", RangeFault::kNone, 2147483000, 2147483001},
      {"99999999999", "", RangeFault::kSizeMin, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.min) + ".." + c.max);
    DateSizeFilter filter;
    filter.sizeOn = true;
    EXPECT_EQ(ParseSizeRangeTexts(c.min, c.max, &filter.size), c.want);
    if (c.pass >= 0) {
      EXPECT_EQ(PassesDateSizeFilter(filter, "f", Record("f", 0, c.pass)), 1);
    }
    if (c.fail >= 0) {
      EXPECT_EQ(PassesDateSizeFilter(filter, "f", Record("f", 0, c.fail)), 0);
    }
  }
  // A file of 2 GiB or more reads as negative and fails a minimum of 0.
  DateSizeFilter filter;
  filter.sizeOn = true;
  ASSERT_EQ(ParseSizeRangeTexts("0", "", &filter.size), RangeFault::kNone);
  EXPECT_EQ(PassesDateSizeFilter(filter, "f", Record("f", 0, static_cast<int32_t>(0x80000000u))), 0);
}

TEST(DateSizeFilter, SkipReasons) {
  FakeHost host;
  struct Case {
    int verbose;  // has no say: the scan decides on the note
    int date;
    int size;
    FindRecord record;
    int passes;
    std::string want;
  } cases[] = {
      {1, 1, 0, Record("old file.txt", DosDate(1997, 3, 4), 10), 0, "date=970304"},
      {1, 0, 1, Record("big.txt", DosDate(1998, 1, 1), 50000), 0, "size=50000"},
      // Date first: a file skipped by date gets no size note.
      {1, 1, 1, Record("both.txt", DosDate(2003, 12, 31), 50000), 0, "date=031231"},
      // The reason does not depend on Verbose: the scan decides on the note.
      {0, 1, 1, Record("quiet.txt", DosDate(2003, 12, 31), 50000), 0, "date=031231"},
      {1, 1, 1, Record("ok.txt", DosDate(1998, 6, 1), 100), 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.record.name);
    DateSizeRanges ranges;
    ranges.dateOn = c.date != 0;
    ranges.sizeOn = c.size != 0;
    strcpy(ranges.dateStart, "98");
    strcpy(ranges.dateEnd, "99");
    strcpy(ranges.sizeMin, "");
    strcpy(ranges.sizeMax, "10K");
    ASSERT_EQ(CheckDateSizeRanges(ranges), RangeFault::kNone);
    char reason[kSkipReasonBuffer] = "";
    EXPECT_EQ(PassesDateSizeFilter(DateSizeFilterFrom(ranges), c.record.name, c.record, reason), c.passes);
    EXPECT_EQ(std::string(reason), c.want);
  }
}

}  // namespace
}  // namespace zanto
