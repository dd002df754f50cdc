#include "support/fake_host.h"

namespace zanto::test {

int FakeHost::ShowMessage(const char* text, unsigned style) {
  boxes.push_back({text, style});
  if (answers.empty()) return kAnswerOk;
  int answer = answers.front();
  answers.pop_front();
  return answer;
}

void FakeHost::SetProgressText(int control, const char* text) {
  progressText[control] = text;
}

void FakeHost::AddProgressLine(const char* text) { progressLines.emplace_back(text); }

void FakeHost::ProcessMessages() {
  ++processCalls;
  if (onProcess) onProcess(processCalls);
}

void FakeHost::Trace(const char* text) { traces.emplace_back(text); }

bool FakeHost::CopyToClipboard(const char* text, size_t length) {
  clipboard.assign(text, length);
  ++clipboardCopies;
  return true;
}

}  // namespace zanto::test
