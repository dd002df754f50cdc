#include "files/date_size_filter.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/host.h"
#include "base/settings.h"
#include "base/sjis.h"

namespace zanto {

namespace {

constexpr size_t kDateText = kDateTextLength + 1;
constexpr size_t kCenturyDateText = kDateText + 2;  // "19" or "20" in front
constexpr char kCenturyPivot = '7';                 // years 70..99 are 19xx
constexpr int32_t kKiloFactor = 1000;

struct ActiveBounds {
  char dateStart[kDateText];  // padded YYMMDD
  char dateEnd[kDateText];
  int32_t sizeMin;
  int32_t sizeMax;
};

ActiveBounds gBounds = {"000000", "999999", 0, kLargestSize};

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

int ParseDateRangeTexts(bool on, const char* start, const char* end) {
  if (!on) return 0;
  strcpy(gBounds.dateStart, "000000");
  strcpy(gBounds.dateEnd, "999999");
  if (!ValidDateText(start)) return kDateStartControl;
  if (!ValidDateText(end)) return kDateEndControl;
  char paddedStart[kDateText], paddedEnd[kDateText];
  PadDate(start, '0', paddedStart);
  PadDate(end, '9', paddedEnd);
  if (!DateInRange(paddedStart, paddedStart, paddedEnd)) return kDateStartControl;
  memcpy(gBounds.dateStart, paddedStart, kDateText);
  memcpy(gBounds.dateEnd, paddedEnd, kDateText);
  return 0;
}

int ParseDateRange() {
  return ParseDateRangeTexts(gSettings.Date != 0, gSettings.DateStart, gSettings.DateEnd);
}

int ParseSizeRangeTexts(bool on, const char* minimum, const char* maximum) {
  if (!on) return 0;
  gBounds.sizeMin = 0;
  gBounds.sizeMax = kLargestSize;
  int32_t low = 0, high = kLargestSize;
  if (minimum[0] != '\0' && !ReadSizeText(minimum, &low)) return kSizeMinControl;
  if (maximum[0] != '\0' && !ReadSizeText(maximum, &high)) return kSizeMaxControl;
  if (high < low) return kSizeMinControl;
  gBounds.sizeMin = low;
  gBounds.sizeMax = high;
  return 0;
}

int ParseSizeRange() {
  return ParseSizeRangeTexts(gSettings.Size != 0, gSettings.SizeStart, gSettings.SizeEnd);
}

int PassesDateSizeFilter(const char* path, const FindRecord& record, char* reason) {
  char skip[kSkipReasonBuffer];
  if (gSettings.Date) {
    constexpr unsigned kDosYearBase = 80;  // DOS years count from 1980
    unsigned year = ((record.date >> 9) + kDosYearBase) % 100;
    unsigned month = (record.date >> 5) & 0x0F;
    unsigned day = record.date & 0x1F;
    char text[kDateText];
    snprintf(text, sizeof text, "%02u%02u%02u", year, month, day);
    if (!DateInRange(gBounds.dateStart, text, gBounds.dateEnd)) {
      snprintf(skip, sizeof skip, "date=%s", text);
      Trace("skip %s %s", path, skip);
      if (reason != nullptr) CopyText(reason, kSkipReasonBuffer, skip);
      return 0;
    }
  }
  if (gSettings.Size) {
    if (record.size < gBounds.sizeMin || record.size > gBounds.sizeMax) {
      snprintf(skip, sizeof skip, "size=%" PRIu64, static_cast<uint64_t>(record.size));
      Trace("skip %s %s", path, skip);
      if (reason != nullptr) CopyText(reason, kSkipReasonBuffer, skip);
      return 0;
    }
  }
  return 1;
}

}  // namespace zanto
