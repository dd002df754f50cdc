#include "support/fake_host.h"

#include "base/progress_text.h"

namespace zanto::test {

int FakeHost::ShowMessage(const char* text, unsigned style) {
  boxes.push_back({text, style});
  if (answers.empty()) return kAnswerOk;
  int answer = answers.front();
  answers.pop_front();
  return answer;
}

void FakeHost::FileReached(const FileReport& file) {
  char line[kFileLineBuffer];
  FormatFileLine(file, line, sizeof line);
  progressText[kProgressFile] = line;
}

void FakeHost::DirectoryReached(const char* path) {
  char line[kDirectoryLineBuffer];
  FormatDirectoryLine(path, line, sizeof line);
  progressText[kProgressDirectory] = line;
}

void FakeHost::MatchCountChanged(unsigned long count) {
  char text[kMatchCountBuffer];
  FormatMatchCount(count, text, sizeof text);
  progressText[kProgressMatchCount] = text;
}

void FakeHost::FirstMatchListed(ListedLine kind, const char* text) {
  char line[kListedLineBuffer];
  FormatListedLine(kind, text, line, sizeof line);
  progressLines.emplace_back(line);
}

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
