// A scripted Host for tests: records every call, answers message boxes from
// a queue (kAnswerOk when the queue is empty), and can run a callback at a
// chosen ProcessMessages call to request a stop or a pause.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/host.h"

namespace zanto {

// The keys of FakeHost::progressText: the progress dialog's three lines.
enum ProgressField : int {
  kProgressFile,        // the file reached
  kProgressMatchCount,  // the match count
  kProgressDirectory,   // the directory reached
};

}  // namespace zanto

namespace zanto::test {

// Progress reports are recorded as the texts the progress dialog shows.
class FakeHost final : public Host {
 public:
  FakeHost() { SetHost(this); }
  ~FakeHost() override { SetHost(nullptr); }

  int ShowMessage(const char* text, unsigned style) override;
  void FileReached(const FileReport& file) override;
  void DirectoryReached(const char* path) override;
  void MatchCountChanged(unsigned long count) override;
  void FirstMatchListed(ListedLine kind, const char* text) override;
  void ProcessMessages() override;
  void Trace(const char* text) override;
  bool CopyToClipboard(const char* text, size_t length) override;

  struct Box {
    std::string text;
    unsigned style;
  };
  std::deque<int> answers;               // next message-box answers
  std::vector<Box> boxes;                // every box shown
  std::vector<std::string> traces;       // every trace line
  std::vector<std::string> progressLines;
  std::map<int, std::string> progressText;  // last text of each ProgressField
  std::string clipboard;
  int clipboardCopies = 0;
  int processCalls = 0;
  // Called with the count of ProcessMessages calls so far.
  std::function<void(int)> onProcess;
};

}  // namespace zanto::test
