// The result text the search tests run into: one for the whole test
// program, as the program keeps one between runs.
#pragma once
#include "search/result_output.h"

namespace zanto {

inline ResultOutput& Output() {
  static ResultOutput output;
  return output;
}

}  // namespace zanto
