#include "search/search_run.h"

#include <cstdio>
#include <cstring>

#include "base/host.h"
#include "base/name_compare.h"
#include "base/settings.h"
#include "base/sjis.h"
#include "files/path.h"
#include "files/targets.h"
#include "match/expression.h"
#include "match/pattern.h"
#include "search/file_scan.h"
#include "search/line_history.h"
#include "search/match_files.h"
#include "search/result_output.h"

namespace zanto {

namespace {

constexpr size_t kProgressFileText = kNameBuffer + 32;

bool IsArchivePath(const char* path) {
  const char* dot = FindLastChar(path, '.');
  if (dot == nullptr) return false;
  return SameNoCase(dot, ".LZH");
}

// The enumeration hands every target here.
class RunVisitor final : public TargetVisitor {
 public:
  explicit RunVisitor(const char* outputPath) : outputPath_(outputPath) {}

  int Visit(const char* path, const FindRecord& record, unsigned number, unsigned total,
            const char* memberList) override {
    char target[kPathBuffer];
    CopyText(target, sizeof target, path);
    return SearchTarget(target, record, number, total, outputPath_, memberList);
  }

 private:
  const char* outputPath_;
};

// Step 2 of a run: 0 compiled, else the run ends with result 1.
bool CompileSearch(const char* searchText) {
  char text[kSearchTextBuffer];
  CopyText(text, sizeof text, searchText);
  int compiled = CompileSearchExpression(text, LoadThesaurus);
  if (compiled == kCompileWrong) ShowInformation(kWrongSearchText);
  return compiled == kCompileOk;
}

bool OpenOutput(const char* outputPath) {
  if (outputPath == nullptr || outputPath[0] == '\0') {
    if (PrepareResultBuffer()) return true;
    ShowOutOfMemory();
    return false;
  }
  if (OpenResultFile(outputPath, gSettings.Append != 0)) return true;
  ShowInformation("出力ファイルを開けません");
  return false;
}

}  // namespace

int SearchTarget(char* path, const FindRecord& record, unsigned number, unsigned total, const char* outputPath,
                 const char* memberList) {
  (void)memberList;  // names archive members; used once archives are unpacked
  FindRecord copy = record;
  copy.osHandle = nullptr;
  if (IsArchivePath(path)) {
    if (!gSettings.LzhSearch) return 1;
    if (gSettings.Verbose) WriteResultFormat("解凍できません(%s)\r\n", path);
    Trace("解凍できません(%s)\r\n", path);
    return 1;
  }
  char fileLine[kProgressFileText];
  snprintf(fileLine, sizeof fileLine, "%-12s(%2u/%2u)", copy.name, number, total);
  GetHost().SetProgressText(kProgressFile, fileLine);
  const ScanTarget target = {path, number, total, &copy, outputPath, nullptr, 0, copy.name};
  return ScanFile(target) == 0 ? 0 : 1;
}

int RunSearch(const char* searchText, const char* fieldText, const char* outputPath) {
  gRunMatchCount = 0;
  gFileMatchCount = 0;
  ResetExpressionCompiler();
  if (!CompileSearch(searchText)) {
    FreeTermArena();
    return kRunFailed;
  }
  ClearEvaluationState();
  // Only context and block output look back, so only they need the history.
  if ((gSettings.Zengo || gSettings.BlockOut) && !gLineHistory.Allocate()) ShowOutOfMemory();
  if (gSettings.BlockOut && !CompileBlockPatterns()) {
    FreeTermArena();
    return kRunFailed;
  }
  if (!OpenOutput(outputPath)) {
    FreeTermArena();
    return kRunFailed;
  }
  gRunLineCount = 0;
  ResetScanRunState(fieldText, searchText);

  RunVisitor visitor(outputPath ? outputPath : "");
  int walked = EnumerateTargets(fieldText, visitor);
  int result = walked == kTargetsDone ? kRunCompleted : kRunFailed;

  // A run that could not walk its targets ends without totals.
  if (gSettings.Verbose && walked != kTargetsNoMemory) {
    if (gAbortRequested) WriteResultText("途中で中止しました\r\n");
    WriteResultFormat("検索総行数  %lu 行\r\n", static_cast<unsigned long>(gRunLineCount));
  }
  CloseResultOutput();
  FreeTermArena();
  return result;
}

}  // namespace zanto
