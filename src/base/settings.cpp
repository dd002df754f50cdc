#include "base/settings.h"

namespace zanto {

SearchSettings gSettings;

unsigned LineReadingOf(const SearchSettings& settings) {
  return (settings.Case ? kReadFoldCase : 0u) | (settings.ZenHan ? kReadZenHan : 0u) |
         (settings.Same1 ? kReadSame1 : 0u) | (settings.FieldSearch ? kReadFields : 0u);
}

}  // namespace zanto
