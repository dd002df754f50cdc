#include "base/host.h"

#include <cstdarg>
#include <cstdio>

namespace zanto {

volatile int gAbortRequested = 0;
volatile int gPauseRequested = 0;

namespace {

// Answers for a run with no user interface: boxes take their default
// button, nothing is shown.
class SilentHost final : public Host {
 public:
  int ShowMessage(const char*, unsigned style) override {
    return (style & 0x0F) == kBoxYesNo || (style & 0x0F) == kBoxYesNoCancel ? kAnswerYes : kAnswerOk;
  }
  void FileReached(const FileReport&) override {}
  void DirectoryReached(const char*) override {}
  void MatchCountChanged(unsigned long) override {}
  void FirstMatchListed(ListedLine, const char*) override {}
  void ProcessMessages() override {}
  void Trace(const char*) override {}
  bool CopyToClipboard(const char*, size_t) override { return false; }
};

SilentHost gSilentHost;
Host* gHost = &gSilentHost;

}  // namespace

void SetHost(Host* host) { gHost = host ? host : &gSilentHost; }
Host& GetHost() { return *gHost; }

void ShowInformation(const char* text) { gHost->ShowMessage(text, kBoxOk | kBoxIconInformation); }
void ShowOutOfMemory() { ShowInformation(kOutOfMemoryText); }

void Trace(const char* format, ...) {
  constexpr size_t kTraceLine = 61440;  // the trace window's line buffer
  static char line[kTraceLine];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  gHost->Trace(line);
}

}  // namespace zanto
