#include "search/search_run.h"

#include <cstdio>
#include <cstring>

#include "base/host.h"
#include "base/settings.h"
#include "base/sjis.h"
#include "files/archive_support.h"
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

constexpr size_t kProgressFileText = kNameBuffer + 48;  // a name, its numbers and "解凍中"
constexpr size_t kMemberNameBuffer = kNameBuffer;  // a member's name and extension
constexpr size_t kProgressDirectoryText = kDriveBuffer + kPathPart + 16;
constexpr char kOutputNotOpened[] = "出力ファイルを開けません";
constexpr char kOutputIncomplete[] = "出力ファイルに書き込めません";
constexpr char kMemberNotExtracted[] = "解凍できません(%s:%s)\r\n";  // archive, member inside it

// What DelUnlha does with an extracted member after its scan.
enum : int { kDeleteAlways = 0, kDeleteWithoutMatch = 1, kKeepMembers = 2 };

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
  ShowInformation(kOutputNotOpened);
  return false;
}

void ShowFileLine(const char* format, const char* name, unsigned number, unsigned total) {
  char line[kProgressFileText];
  snprintf(line, sizeof line, format, name, number, total);
  GetHost().SetProgressText(kProgressFile, line);
}

// Scans the member at memberPath as member number m of the archive; 0 when
// the run must stop.
int ScanMember(const char* memberPath, const FindRecord& member, unsigned number, unsigned m, unsigned total,
               const char* outputPath, const char* archivePath) {
  char drive[kDriveBuffer], dir[kPathPart], name[kPathPart], ext[kPathPart];
  SplitPath(memberPath, drive, dir, name, ext);
  char displayName[kMemberNameBuffer];
  CopyText(displayName, sizeof displayName, name);
  AppendText(displayName, sizeof displayName, ext);
  char dirLine[kProgressDirectoryText];
  snprintf(dirLine, sizeof dirLine, "ﾃﾞｨﾚｸﾄﾘ　%s%s", drive, dir);
  GetHost().SetProgressText(kProgressDirectory, dirLine);
  char fileLine[kProgressFileText];
  snprintf(fileLine, sizeof fileLine, "%-12s(%2u-%2u/%2u)", displayName, number, m, total);
  GetHost().SetProgressText(kProgressFile, fileLine);
  // The scan may rewrite its path; the extracted file keeps its own.
  char path[kPathBuffer];
  CopyText(path, sizeof path, memberPath);
  const ScanTarget target = {path, number, total, &member, outputPath, archivePath, m, displayName};
  return ScanFile(target);
}

void NoteMemberLeftOut(const char* archivePath, const char* member) {
  if (gSettings.Verbose) WriteResultFormat(kMemberNotExtracted, archivePath, member);
  Trace(kMemberNotExtracted, archivePath, member);
}

// Unpacks an archive and scans its members one by one; members the run
// does not search (excluded, or met after a stop) are deleted unseen and
// take no number; members no file holds take none either and are only
// noted (their path may be another member's file).
int SearchArchive(const char* path, const FindRecord& record, unsigned number, unsigned total,
                  const char* outputPath, const char* memberList) {
  if (!gSettings.LzhSearch) return 1;
  if (!ArchiveSupportReady(path)) {
    if (gSettings.Verbose) WriteResultFormat("解凍できません(%s)\r\n", path);
    Trace("解凍できません(%s)\r\n", path);
    return 1;
  }
  ShowFileLine("%-12s(%2u/%2u)解凍中", record.name, number, total);
  FindRecord member = record;
  char memberPath[kPathBuffer];
  int result = 1;
  unsigned m = 0;
  for (int found = ExtractArchive(GetHost().OwnerWindow(), path, memberList, &member, memberPath);
       found != kNoMember; found = NextArchiveMember(&member, memberPath)) {
    if (found == kMemberLeftOut) {
      // No file holds this member's bytes; another member's are never
      // searched in its name.
      if (!gAbortRequested) NoteMemberLeftOut(path, memberPath);
      continue;
    }
    if (IsExcludedExtension(memberPath) || gAbortRequested) {
      DeletePath(memberPath);
      continue;
    }
    ++m;
    if (ScanMember(memberPath, member, number, m, total, outputPath, path) == 0) {
      result = 0;  // the member stays for the user to look at
      break;
    }
    if (gSettings.DelUnlha == kDeleteAlways || (gSettings.DelUnlha == kDeleteWithoutMatch && gFileMatchCount == 0))
      DeletePath(memberPath);
  }
  GetHost().SetProgressText(kProgressDirectory, "");
  return result;
}

}  // namespace

int SearchTarget(char* path, const FindRecord& record, unsigned number, unsigned total, const char* outputPath,
                 const char* memberList) {
  FindRecord copy = record;
  copy.osHandle = nullptr;
  if (IsArchivePath(path)) return SearchArchive(path, copy, number, total, outputPath, memberList);
  ShowFileLine("%-12s(%2u/%2u)", copy.name, number, total);
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
  // A result file that lacks text must not pass for the whole result (the
  // editor would be handed it).
  if (!CloseResultOutput() && result == kRunCompleted) {
    ShowInformation(kOutputIncomplete);
    result = kRunFailed;
  }
  FreeTermArena();
  return result;
}

}  // namespace zanto
