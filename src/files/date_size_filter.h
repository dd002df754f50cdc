// The date and size filters: the range texts of the options dialog are
// parsed into bounds, and the file scan tests every file (archive members
// included) against them before opening it. Dates are YYMMDD texts with a
// two-digit year (70..99 mean 1970..1999, 00..69 mean 2000..2069); sizes
// are decimal byte counts, a trailing K or k meaning x1000.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/os.h"

namespace zanto {

constexpr int kDateTextLength = 6;   // YYMMDD
constexpr int kSizeTextLength = 8;   // longest size text
constexpr size_t kDateTextBuffer = kDateTextLength + 1;
constexpr size_t kSizeTextBuffer = kSizeTextLength + 1;
constexpr int32_t kLargestSize = 2147483647;

// Which text of a range does not parse.
enum class RangeFault {
  kNone,
  kDateStart,  // malformed, or after the end
  kDateEnd,
  kSizeMin,    // malformed, beyond 32 bits, or above the maximum
  kSizeMax,
};

// The range texts and their switches, as the user set them.
struct DateSizeRanges {
  bool dateOn = false;
  char dateStart[kDateTextBuffer] = "";
  char dateEnd[kDateTextBuffer] = "";
  bool sizeOn = false;
  char sizeMin[kSizeTextBuffer] = "";
  char sizeMax[kSizeTextBuffer] = "";
};

// Inclusive bounds. The default sizes let every file through; the default
// dates none, for under the century rule 000000 lies in 2000 and 999999 in
// 1999: a date filter whose texts do not parse passes no file.
struct DateBounds {
  char start[kDateTextBuffer] = "000000";  // padded YYMMDD
  char end[kDateTextBuffer] = "999999";
};
struct SizeBounds {
  int32_t minimum = 0;
  int32_t maximum = kLargestSize;
};

// What the scan tests a file against.
struct DateSizeFilter {
  bool dateOn = false;
  DateBounds date;
  bool sizeOn = false;
  SizeBounds size;
};

// Parses a date range: both texts empty or up to six digits, start <= end
// once padded (start with 0s, end with 9s). *bounds is written only when
// the range parses.
RangeFault ParseDateRangeTexts(const char* start, const char* end, DateBounds* bounds);

// Parses a size range in the same way; a value that does not fit in 32
// bits, K included, is invalid.
RangeFault ParseSizeRangeTexts(const char* minimum, const char* maximum, SizeBounds* bounds);

// The first fault of the switched-on ranges, date first, or kNone.
RangeFault CheckDateSizeRanges(const DateSizeRanges& ranges);

// The bounds a run filters by: each switched-on range parsed, and one that
// does not parse left at its default bounds.
DateSizeFilter DateSizeFilterFrom(const DateSizeRanges& ranges);

// 1 if start <= date <= end for three YYMMDD texts under the century rule.
int DateInRange(const char* start, const char* date, const char* end);

// Why a file was left out: "date=YYMMDD" or "size=<bytes>" (up to 20
// digits), NUL included.
constexpr size_t kSkipReasonBuffer = 32;

// 1 if the file passes both filters (each only while it is on). Otherwise
// 0, the reason traced with the path and, when reason is given
// (kSkipReasonBuffer bytes), written there for the file's note.
int PassesDateSizeFilter(const DateSizeFilter& filter, const char* path, const FindRecord& record,
                         char* reason = nullptr);

}  // namespace zanto
