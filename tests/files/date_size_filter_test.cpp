#include "files/date_size_filter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/settings.h"
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
    int want;
    // Dates that must pass / fail afterwards (when the parse succeeded).
    const char* passing;
    const char* failing;
  } cases[] = {
      {"9801", "9812", 0, "980101,981231,980100", "971231,990101"},
      {"9901", "0012", 0, "990615,000301", "010101,981231"},
      {"9801", "", 0, "980101,991231", "000101,971231"},
      {"", "", kDateStartControl, "", ""},
      {"0101", "", kDateStartControl, "", ""},
      {"98a", "", kDateStartControl, "", ""},
      {"-98", "", kDateStartControl, "", ""},
      {"98", "99x", kDateEndControl, "", ""},
      {"1234567", "", kDateStartControl, "", ""},
      {"9905", "9901", kDateStartControl, "", ""},
      {"", "05", 0, "000101,051231", "060101,991231"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.start) + ".." + c.end);
    EXPECT_EQ(ParseDateRangeTexts(true, c.start, c.end), c.want);
    if (c.want != 0) continue;
    gSettings = SearchSettings{};
    gSettings.Date = 1;
    auto check = [](const char* list, int want) {
      std::string all = list;
      size_t at = 0;
      while (at < all.size()) {
        std::string d = all.substr(at, 6);
        at += 7;
        int y = std::stoi(d.substr(0, 2)), m = std::stoi(d.substr(2, 2)), day = std::stoi(d.substr(4, 2));
        int year = y >= 80 ? 1900 + y : 2000 + y;
        FindRecord r = Record("f.txt", DosDate(year, m, day), 1);
        EXPECT_EQ(PassesDateSizeFilter("f.txt", r), want) << d;
      }
    };
    check(c.passing, 1);
    check(c.failing, 0);
  }
}

TEST(DateSizeFilter, FailedOrSkippedParseKeepsWhatTheRulesSay) {
  gSettings = SearchSettings{};
  gSettings.Date = 1;
  FindRecord r = Record("f.txt", DosDate(1998, 5, 5), 1);
  ASSERT_EQ(ParseDateRangeTexts(true, "9801", "9812"), 0);
  EXPECT_EQ(PassesDateSizeFilter("f.txt", r), 1);
  // A parse with the filter off changes nothing.
  EXPECT_EQ(ParseDateRangeTexts(false, "x", "y"), 0);
  EXPECT_EQ(PassesDateSizeFilter("f.txt", r), 1);
  // A failed parse leaves the reset bounds 000000..999999, which nothing passes.
  EXPECT_NE(ParseDateRangeTexts(true, "", ""), 0);
  EXPECT_EQ(PassesDateSizeFilter("f.txt", r), 0);
}

TEST(DateSizeFilter, SizeRangeParsing) {
  struct Case {
    const char* min;
    const char* max;
    int want;
    int32_t pass;     // a size that passes afterwards, or -1
    int32_t fail;     // a size that fails afterwards, or -1
  } cases[] = {
      {"10k", "", 0, 10000, 9999},
      {"10K", "20K", 0, 20000, 20001},
      {"", "1000", 0, 0, 1001},
      {"", "", 0, 2147483647, -1},
      {"10K", "1000", kSizeMinControl, -1, -1},
      {"12a", "", kSizeMinControl, -1, -1},
      {"1K0", "", kSizeMinControl, -1, -1},
      {"-5", "", kSizeMinControl, -1, -1},
      {"+5", "", kSizeMinControl, -1, -1},
      {"5", "x", kSizeMaxControl, -1, -1},
      // K beyond 32 bits is refused instead of wrapping.
      {"99999999K", "", kSizeMinControl, -1, -1},
      {"", "2147484K", kSizeMaxControl, -1, -1},
      {"", "2147483K", 0, 2147483000, 2147483001},
      {"99999999999", "", kSizeMinControl, -1, -1},
  };
  gSettings = SearchSettings{};
  gSettings.Size = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.min) + ".." + c.max);
    EXPECT_EQ(ParseSizeRangeTexts(true, c.min, c.max), c.want);
    if (c.pass >= 0) {
      EXPECT_EQ(PassesDateSizeFilter("f", Record("f", 0, c.pass)), 1);
    }
    if (c.fail >= 0) {
      EXPECT_EQ(PassesDateSizeFilter("f", Record("f", 0, c.fail)), 0);
    }
  }
  // A file of 2 GiB or more reads as negative and fails a minimum of 0.
  ASSERT_EQ(ParseSizeRangeTexts(true, "0", ""), 0);
  EXPECT_EQ(PassesDateSizeFilter("f", Record("f", 0, static_cast<int32_t>(0x80000000u))), 0);
}

TEST(DateSizeFilter, SkipReasons) {
  FakeHost host;
  struct Case {
    int verbose;
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
    gSettings = SearchSettings{};
    gSettings.Verbose = c.verbose;
    gSettings.Date = c.date;
    gSettings.Size = c.size;
    strcpy(gSettings.DateStart, "98");
    strcpy(gSettings.DateEnd, "99");
    strcpy(gSettings.SizeStart, "");
    strcpy(gSettings.SizeEnd, "10K");
    ASSERT_EQ(ParseDateRange(), 0);
    ASSERT_EQ(ParseSizeRange(), 0);
    char reason[kSkipReasonBuffer] = "";
    EXPECT_EQ(PassesDateSizeFilter(c.record.name, c.record, reason), c.passes);
    EXPECT_EQ(std::string(reason), c.want);
  }
}

}  // namespace
}  // namespace zanto
