#include "search/search_run.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "base/host.h"
#include "base/settings.h"
#include "base/sjis.h"
#include "files/archive_support.h"
#include "files/date_size_filter.h"
#include "files/path.h"
#include "files/targets.h"
#include "match/line_matcher.h"
#include "search/file_scan.h"
#include "search/line_history.h"
#include "search/prepared_search.h"
#include "search/result_output.h"
#include "search/search_options.h"
#include "search/target_options_from.h"

namespace zanto {

namespace {

constexpr size_t kMemberNameBuffer = kNameBuffer;  // a member's name and extension
constexpr char kOutputNotOpened[] = "出力ファイルを開けません";
constexpr char kOutputIncomplete[] = "出力ファイルに書き込めません";
constexpr char kMemberNotExtracted[] = "解凍できません(%s:%s)\r\n";  // archive, member inside it

// What DelUnlha does with an extracted member after its scan.
enum : int { kDeleteAlways = 0, kDeleteWithoutMatch = 1, kKeepMembers = 2 };

// The enumeration hands every target here.
class RunVisitor final : public TargetVisitor {
 public:
  RunVisitor(const char* outputPath, const ScanContext& context) : outputPath_(outputPath), context_(context) {}

  int Visit(const char* path, const FindRecord& record, unsigned number, unsigned total,
            const char* memberList) override {
    char target[kPathBuffer];
    CopyText(target, sizeof target, path);
    return SearchTarget(target, record, number, total, outputPath_, memberList, context_);
  }

 private:
  const char* outputPath_;
  const ScanContext& context_;
};

bool OpenOutput(ResultOutput& output, const char* outputPath) {
  if (outputPath == nullptr || outputPath[0] == '\0') {
    if (output.PrepareBuffer()) return true;
    ShowOutOfMemory();
    return false;
  }
  if (output.OpenFile(outputPath, gSettings.Append != 0)) return true;
  ShowInformation(kOutputNotOpened);
  return false;
}

// Scans the member at memberPath as member number m of the archive; 0 when
// the run must stop.
int ScanMember(const char* memberPath, const FindRecord& member, unsigned number, unsigned m, unsigned total,
               const char* outputPath, const char* archivePath, const ScanContext& context) {
  char drive[kDriveBuffer], dir[kPathPart], name[kPathPart], ext[kPathPart];
  SplitPath(memberPath, drive, dir, name, ext);
  char displayName[kMemberNameBuffer];
  CopyText(displayName, sizeof displayName, name);
  AppendText(displayName, sizeof displayName, ext);
  char memberDir[kPathBuffer];
  CopyText(memberDir, sizeof memberDir, drive);
  AppendText(memberDir, sizeof memberDir, dir);
  GetHost().DirectoryReached(memberDir);
  GetHost().FileReached({displayName, number, total, m, false});
  // The scan may rewrite its path; the extracted file keeps its own.
  char path[kPathBuffer];
  CopyText(path, sizeof path, memberPath);
  const ScanTarget target = {path, number, total, &member, outputPath, archivePath, m, displayName,
                             &context.search->dateSize};
  return ScanFile(target, context);
}

void NoteMemberLeftOut(ResultOutput& output, const char* archivePath, const char* member) {
  if (gSettings.Verbose) output.WriteFormat(kMemberNotExtracted, archivePath, member);
  Trace(kMemberNotExtracted, archivePath, member);
}

// Unpacks an archive and scans its members one by one; members the run
// does not search (excluded, or met after a stop) are deleted unseen and
// take no number; members no file holds take none either and are only
// noted (their path may be another member's file).
int SearchArchive(const char* path, const FindRecord& record, unsigned number, unsigned total,
                  const char* outputPath, const char* memberList, const ScanContext& context) {
  if (!gSettings.LzhSearch) return 1;
  ArchiveSupport* archives = context.archives;
  if (archives == nullptr || !archives->ReadyFor(path)) {
    if (gSettings.Verbose) context.output->WriteFormat("解凍できません(%s)\r\n", path);
    Trace("解凍できません(%s)\r\n", path);
    return 1;
  }
  GetHost().FileReached({record.name, number, total, 0, true});
  FindRecord member = record;
  char memberPath[kPathBuffer];
  int result = 1;
  unsigned m = 0;
  for (int found = archives->Extract(GetHost().OwnerWindow(), path, memberList, &member, memberPath);
       found != kNoMember; found = archives->NextMember(&member, memberPath)) {
    if (found == kMemberLeftOut) {
      // No file holds this member's bytes; another member's are never
      // searched in its name.
      if (!gAbortRequested) NoteMemberLeftOut(*context.output, path, memberPath);
      continue;
    }
    if (IsExcludedExtension(context.search->options.targets, memberPath) || gAbortRequested) {
      DeletePath(memberPath);
      continue;
    }
    ++m;
    if (ScanMember(memberPath, member, number, m, total, outputPath, path, context) == 0) {
      result = 0;  // the member stays for the user to look at
      break;
    }
    if (gSettings.DelUnlha == kDeleteAlways || (gSettings.DelUnlha == kDeleteWithoutMatch && context.run->fileMatchCount == 0))
      DeletePath(memberPath);
  }
  GetHost().DirectoryReached("");
  return result;
}

}  // namespace

int SearchTarget(char* path, const FindRecord& record, unsigned number, unsigned total, const char* outputPath,
                 const char* memberList, const ScanContext& context) {
  FindRecord copy = record;
  copy.osHandle = nullptr;
  if (IsArchivePath(path)) return SearchArchive(path, copy, number, total, outputPath, memberList, context);
  GetHost().FileReached({copy.name, number, total, 0, false});
  const ScanTarget target = {path, number, total, &copy, outputPath, nullptr, 0, copy.name, &context.search->dateSize};
  return ScanFile(target, context) == 0 ? 0 : 1;
}

int RunSearch(const RunResources& resources, const char* searchText, const char* fieldText, const char* outputPath) {
  ResultOutput& output = *resources.output;
  SearchOptionNotes optionNotes = {};
  const SearchOptions options = SearchOptionsFrom(gSettings, &optionNotes);
  if (optionNotes.wordCleared) gSettings.Word = 0;
  // The prepared search holds the search's tables and terms, the matcher a
  // line's working memory: both too large for the stack.
  auto search = std::make_unique<PreparedSearch>();
  char text[kSearchTextBuffer];
  CopyText(text, sizeof text, searchText);
  if (!PrepareSearch(options, text, GetHost(), search.get())) return kRunFailed;
  uint32_t ownCount = 0;
  uint32_t& matchCount = resources.matchCount != nullptr ? *resources.matchCount : ownCount;
  matchCount = 0;
  auto run = std::make_unique<ScanRun>(matchCount, fieldText, searchText);
  // Only context and block output look back, so only they need the history.
  if ((gSettings.Zengo || gSettings.BlockOut) && !run->history.Allocate()) ShowOutOfMemory();
  if (!OpenOutput(output, outputPath)) return kRunFailed;
  auto matcher = std::make_unique<LineMatcher>(search->compiled, search->Tables());

  const ScanContext context = {search.get(), matcher.get(), run.get(), &output, resources.archives};
  RunVisitor visitor(outputPath ? outputPath : "", context);
  TargetNotes notes;
  int walked = EnumerateTargets(options.targets, fieldText, resources.fileList, visitor, &notes);
  KeepTargetNotes(notes, options.targets, &gSettings);
  int result = walked == kTargetsDone ? kRunCompleted : kRunFailed;

  // A run that could not walk its targets ends without totals.
  if (gSettings.Verbose && walked != kTargetsNoMemory) {
    if (gAbortRequested) output.WriteText("途中で中止しました\r\n");
    output.WriteFormat("検索総行数  %lu 行\r\n", static_cast<unsigned long>(run->runLineCount));
  }
  // A result file that lacks text must not pass for the whole result (the
  // editor would be handed it).
  if (!output.Close() && result == kRunCompleted) {
    ShowInformation(kOutputIncomplete);
    result = kRunFailed;
  }
  return result;
}

}  // namespace zanto
