#include "match/line_state.h"

namespace zanto {

char gCurrentLine[kLineBuffer];
MatchMarks gMatchMarks;

}  // namespace zanto
