#include "ui/app.h"

namespace zanto {

AppState gApp = {};

VersionTests VersionTestsFrom(uint32_t version) {
  unsigned major = version & 0xFF;
  unsigned minor = (version >> 8) & 0xFF;
  bool nt = (version & 0x80000000u) == 0;
  VersionTests t;
  t.newShell = major > 3;
  t.ntFamily = nt;
  t.win98OrLater = !nt && (major >= 5 || (major == 4 && minor >= 10));
  t.nt351 = nt && major == 3 && minor > 50;
  return t;
}

const VersionTests& Windows() {
  static const VersionTests tests = VersionTestsFrom(GetVersion());
  return tests;
}

}  // namespace zanto
