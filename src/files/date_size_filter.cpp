#include "files/date_size_filter.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/host.h"
#include "base/sjis.h"

namespace zanto {

namespace {

constexpr size_t kDateText = kDateTextBuffer;
constexpr size_t kCenturyDateText = kDateText + 2;  // "19" or "20" in front
constexpr char kCenturyPivot = '7';                 // years 70..99 are 19xx
constexpr int32_t kKiloFactor = 1000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A date text is empty, or up to six digits.
bool ValidDateText(const char* text) {
  size_t n = strlen(text);
  if (n > static_cast<size_t>(kDateTextLength)) return false;
  for (size_t i = 0; i < n; ++i) {
    if (!IsDigit(text[i])) return false;
  }
  return true;
}

void PadDate(const char* text, char fill, char* out) {
  size_t n = strlen(text);
  memcpy(out, text, n);
  for (size_t i = n; i < static_cast<size_t>(kDateTextLength); ++i) out[i] = fill;
  out[kDateTextLength] = '\0';
}

bool LateCentury(const char* text) { return static_cast<unsigned char>(text[0]) >= kCenturyPivot; }

void WithCentury(const char* text, char* out) {
  snprintf(out, kCenturyDateText, "%s%s", LateCentury(text) ? "19" : "20", text);
}

// Reads a size text: digits, then an optional K or k, nothing else. False
// for any other text and for a value beyond 32 bits.
bool ReadSizeText(const char* text, int32_t* value) {
  if (!IsDigit(text[0])) return false;
  int64_t n = 0;
  const char* p = text;
  for (; IsDigit(*p); ++p) {
    n = n * 10 + (*p - '0');
    if (n > kLargestSize) return false;
  }
  if (*p == 'K' || *p == 'k') {
    n *= kKiloFactor;
    if (n > kLargestSize) return false;
    ++p;
  }
  if (*p != '\0') return false;
  *value = static_cast<int32_t>(n);
  return true;
}

}  // namespace

int DateInRange(const char* start, const char* date, const char* end) {
  bool late[3] = {LateCentury(start), LateCentury(date), LateCentury(end)};
  if (late[0] == late[1] && late[1] == late[2]) {
    return strcmp(start, date) <= 0 && strcmp(date, end) <= 0 ? 1 : 0;
  }
  char s[kCenturyDateText], d[kCenturyDateText], e[kCenturyDateText];
  WithCentury(start, s);
  WithCentury(date, d);
  WithCentury(end, e);
  return strcmp(s, d) <= 0 && strcmp(d, e) <= 0 ? 1 : 0;
}

RangeFault ParseDateRangeTexts(const char* start, const char* end, DateBounds* bounds) {
  if (!ValidDateText(start)) return RangeFault::kDateStart;
  if (!ValidDateText(end)) return RangeFault::kDateEnd;
  DateBounds padded;
  PadDate(start, '0', padded.start);
  PadDate(end, '9', padded.end);
  if (!DateInRange(padded.start, padded.start, padded.end)) return RangeFault::kDateStart;
  *bounds = padded;
  return RangeFault::kNone;
}

RangeFault ParseSizeRangeTexts(const char* minimum, const char* maximum, SizeBounds* bounds) {
  SizeBounds read;
  if (minimum[0] != '\0' && !ReadSizeText(minimum, &read.minimum)) return RangeFault::kSizeMin;
  if (maximum[0] != '\0' && !ReadSizeText(maximum, &read.maximum)) return RangeFault::kSizeMax;
  if (read.maximum < read.minimum) return RangeFault::kSizeMin;
  *bounds = read;
  return RangeFault::kNone;
}

RangeFault CheckDateSizeRanges(const DateSizeRanges& ranges) {
  if (ranges.dateOn) {
    DateBounds date;
    RangeFault fault = ParseDateRangeTexts(ranges.dateStart, ranges.dateEnd, &date);
    if (fault != RangeFault::kNone) return fault;
  }
  SizeBounds size;
  return ranges.sizeOn ? ParseSizeRangeTexts(ranges.sizeMin, ranges.sizeMax, &size) : RangeFault::kNone;
}

DateSizeFilter DateSizeFilterFrom(const DateSizeRanges& ranges) {
  DateSizeFilter filter;
  filter.dateOn = ranges.dateOn;
  filter.sizeOn = ranges.sizeOn;
  if (filter.dateOn) ParseDateRangeTexts(ranges.dateStart, ranges.dateEnd, &filter.date);
  if (filter.sizeOn) ParseSizeRangeTexts(ranges.sizeMin, ranges.sizeMax, &filter.size);
  return filter;
}

int PassesDateSizeFilter(const DateSizeFilter& filter, const char* path, const FindRecord& record,
                         char* reason) {
  char skip[kSkipReasonBuffer];
  if (filter.dateOn) {
    constexpr unsigned kDosYearBase = 80;  // DOS years count from 1980
    unsigned year = ((record.date >> 9) + kDosYearBase) % 100;
    unsigned month = (record.date >> 5) & 0x0F;
    unsigned day = record.date & 0x1F;
    char text[kDateText];
    snprintf(text, sizeof text, "%02u%02u%02u", year, month, day);
    if (!DateInRange(filter.date.start, text, filter.date.end)) {
      snprintf(skip, sizeof skip, "date=%s", text);
      Trace("skip %s %s", path, skip);
      if (reason != nullptr) CopyText(reason, kSkipReasonBuffer, skip);
      return 0;
    }
  }
  if (filter.sizeOn) {
    if (record.size < filter.size.minimum || record.size > filter.size.maximum) {
      snprintf(skip, sizeof skip, "size=%" PRIu64, static_cast<uint64_t>(record.size));
      Trace("skip %s %s", path, skip);
      if (reason != nullptr) CopyText(reason, kSkipReasonBuffer, skip);
      return 0;
    }
  }
  return 1;
}

}  // namespace zanto
