#include "search/target_options_from.h"

#include "base/sjis.h"

namespace zanto {

static_assert(sizeof(SearchSettings::NotSearchExt) == kExcludedExtensionsBuffer);
static_assert(sizeof(SearchSettings::DateStart) == kDateTextBuffer &&
              sizeof(SearchSettings::DateEnd) == kDateTextBuffer);
static_assert(sizeof(SearchSettings::SizeStart) == kSizeTextBuffer &&
              sizeof(SearchSettings::SizeEnd) == kSizeTextBuffer);

TargetOptions TargetOptionsFrom(const SearchSettings& settings) {
  TargetOptions options;
  options.searchHide = settings.SearchHide != 0;
  options.subDir = settings.SubDir != 0;
  options.order = static_cast<SortOrder>(settings.SortType);
  options.reverse = settings.SortRev != 0;
  CopyText(options.excludedExtensions, sizeof options.excludedExtensions, settings.NotSearchExt);
  DateSizeRanges& ranges = options.ranges;
  ranges.dateOn = settings.Date != 0;
  CopyText(ranges.dateStart, sizeof ranges.dateStart, settings.DateStart);
  CopyText(ranges.dateEnd, sizeof ranges.dateEnd, settings.DateEnd);
  ranges.sizeOn = settings.Size != 0;
  CopyText(ranges.sizeMin, sizeof ranges.sizeMin, settings.SizeStart);
  CopyText(ranges.sizeMax, sizeof ranges.sizeMax, settings.SizeEnd);
  return options;
}

void KeepTargetNotes(const TargetNotes& notes, const TargetOptions& used, SearchSettings* settings) {
  if (notes.subDirTaken) settings->SubDir = used.subDir ? 1 : 0;
  if (notes.subDirDropped) settings->SubDir = 0;
  if (notes.sortDropped) settings->SortType = kSortAsFound;
}

}  // namespace zanto
