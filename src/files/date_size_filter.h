// The date and size filters: the range texts of the options dialog are
// parsed into active bounds, and the file scan tests every file (archive
// members included) against them before opening it. Dates are YYMMDD texts
// with a two-digit year (70..99 mean 1970..1999, 00..69 mean 2000..2069);
// sizes are decimal byte counts, a trailing K or k meaning x1000.
#pragma once
#include <cstdint>

#include "files/os.h"

namespace zanto {

// Option dialog controls; a failed parse returns the field to correct.
enum : int {
  kDateCheckControl = 3506,
  kDateStartControl = 3507,
  kDateEndControl = 3508,
  kSizeCheckControl = 3509,
  kSizeMinControl = 3510,
  kSizeMaxControl = 3511,
};

constexpr int kDateTextLength = 6;   // YYMMDD
constexpr int kSizeTextLength = 8;   // longest size text
constexpr int32_t kLargestSize = 2147483647;

// Parses a date range. With the filter off nothing changes and 0 is
// returned. Otherwise the active bounds are reset to 000000..999999 and,
// when both texts are valid and start <= end, set from the padded texts:
// 0, or the control of the field in error.
int ParseDateRangeTexts(bool on, const char* start, const char* end);
// The same over Date, DateStart, DateEnd of the settings.
int ParseDateRange();

// Parses a size range in the same way (bounds reset to 0..2147483647).
// A value that does not fit in 32 bits, K included, is invalid.
int ParseSizeRangeTexts(bool on, const char* minimum, const char* maximum);
// The same over Size, SizeStart, SizeEnd of the settings.
int ParseSizeRange();

// 1 if start <= date <= end for three YYMMDD texts under the century rule.
int DateInRange(const char* start, const char* date, const char* end);

// Why a file was left out: "date=YYMMDD" or "size=<bytes>" (up to 20
// digits), NUL included.
constexpr size_t kSkipReasonBuffer = 32;

// 1 if the file passes both active filters (each only while its setting is
// on). Otherwise 0, the reason traced with the path and, when reason is
// given (kSkipReasonBuffer bytes), written there for the file's note.
int PassesDateSizeFilter(const char* path, const FindRecord& record, char* reason = nullptr);

}  // namespace zanto
