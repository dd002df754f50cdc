#include "search/match_writer.h"

#include <cstdio>

#include "base/settings.h"
#include "base/sjis.h"
#include "match/thesaurus.h"
#include "search/result_output.h"

namespace zanto {

namespace {

void WriteTextLine(ResultOutput& out, const char* text) {
  if (text[0] != '\0') out.WriteFormat("%s\r\n", text);
}

const BlockSet& ActiveBlockSet() { return gSettings.BlockSets[gSettings.BlockType]; }

char KanjiLetter(int code) {
  switch (code) {
    case kKanjiEuc: return 'E';
    case kKanjiJis: return 'J';
    case kKanjiUtf8: return 'U';
    case kKanjiUtf16: return 'W';
    default: return 'S';
  }
}

}  // namespace

void MatchWriter::FileHeading() {
  if (!gSettings.Verbose) return;
  if (file_.shortcutPath != nullptr) {
    out_->WriteFormat("===== %s(%s) =====\r\n", file_.path, file_.shortcutPath);
  } else if (file_.archivePath != nullptr) {
    out_->WriteFormat("===== %s(%s) =====\r\n", file_.path, file_.archivePath);
  } else {
    out_->WriteFormat("===== %s =====\r\n", file_.path);
  }
}

// The line naming the file and first line of a context group or block. It
// carries the heading text as the line prefixes do, so that it can be
// found as a file reference like them.
void MatchWriter::GroupHeader(unsigned long number) {
  if (gSettings.Midashi) out_->WriteFormat("%s ", gSettings.StrMidashi);
  out_->WriteFormat("%s %lu\r\n", QuotePath(file_.path).text, number);
}

void MatchWriter::EarlierLine(const char* line, unsigned long number) {
  // Written from a copy: writing a line changes it, and the history must
  // keep it as read.
  char copy[kLineBuffer];
  CopyText(copy, sizeof copy, line);
  out_->WriteLine(copy, file_.path, number, '<');
}

// The header names the first line written, or the match when history holds
// none before it.
void MatchWriter::ContextBefore(const LineHistory& history, unsigned long matchLine) {
  WriteTextLine(*out_, gSettings.ZStartString);
  bool found = false;
  for (int k = gSettings.ZengoLine; k >= 1; --k) {
    const char* line = history.At(k);
    if (line == nullptr) continue;
    if (!found && gSettings.PrintFile) GroupHeader(matchLine - k);
    found = true;
    EarlierLine(line, matchLine - k);
  }
  if (gSettings.PrintFile && !found) GroupHeader(matchLine);
}

void MatchWriter::BlockStart(const LineHistory& history, unsigned long matchLine, int reach) {
  WriteTextLine(*out_, ActiveBlockSet().startText);
  if (gSettings.PrintFile) GroupHeader(matchLine - reach);
  for (int k = reach; k >= 1; --k) {
    const char* line = history.At(k);
    if (line == nullptr) break;
    EarlierLine(line, matchLine - k);
  }
}

void MatchWriter::QueryEcho(const char* fieldText, const char* searchText) {
  if (!gSettings.EchoQuery) return;
  out_->WriteFormat("%s\r\n", fieldText);
  out_->WriteFormat("%s\r\n", searchText);
}

void MatchWriter::MatchLine(char* line, unsigned long number, bool firstInFile) {
  switch (gSettings.FileListForm) {
    case kListFileNames:
      out_->WriteFormat("%s\r\n", file_.path);
      break;
    case kListNumbersInRow:
      if (firstInFile) out_->WriteFormat("%s\t", file_.path);
      out_->WriteFormat("%lu ", number);
      break;
    case kListNumbersInColumn:
      if (firstInFile) {
        out_->WriteText(file_.path);
        out_->WriteText("\r\n");
      }
      out_->WriteFormat("%lu\r\n", number);
      break;
    default:
      out_->WriteLine(line, file_.path, number, ':', Marks());
      break;
  }
}

void MatchWriter::LineAfter(char* line, unsigned long number, char sign) {
  out_->WriteLine(line, file_.path, number, sign, Marks());
}

void MatchWriter::ContextEnd() { WriteTextLine(*out_, gSettings.ZEndString); }

void MatchWriter::BlockEnd() { WriteTextLine(*out_, ActiveBlockSet().endText); }

void MatchWriter::CountStopNote() {
  if (gSettings.Verbose) out_->WriteText("skip...\r\n");
}

void MatchWriter::FileDone(const FileSummary& summary) {
  if (summary.matches > 0) {
    if (gSettings.FileListForm == kListNumbersInRow) out_->WriteText("\r\n");
    if (gSettings.FileListForm == kListNumbersInColumn) out_->WriteText("*\r\n");
  }
  if (countSynonyms_ && matcher_ != nullptr && matcher_->Search().thesaurus != nullptr) {
    const Thesaurus& thesaurus = *matcher_->Search().thesaurus;
    for (size_t i = 0; i < thesaurus.Size(); ++i) {
      const uint32_t count = matcher_->SynonymCount(i);
      if (count > 0) out_->WriteFormat("** %s=%d\r\n", thesaurus.Entry(i).word, static_cast<int>(count));
    }
  }
  if (!gSettings.Verbose) return;
  char memberText[16] = "";
  if (file_.archivePath != nullptr && file_.member > 0) snprintf(memberText, sizeof memberText, "-%u", file_.member);
  out_->WriteFormat("*** %s  %ld 行中 マッチした数 %lu(%lu)  ファイル(%u%s/%u)%c\r\n", QuotePath(file_.path).text,
                    static_cast<long>(summary.lines), summary.matches, summary.runMatches, file_.number, memberText,
                    file_.total, KanjiLetter(summary.kanjiCode));
}

void MatchWriter::DateSizeNote(const char* name, const char* reason) {
  if (gSettings.Verbose) out_->WriteFormat("skip %s %s\r\n", name, reason);
}

void MatchWriter::OpenErrorNote() {
  if (gSettings.Verbose) out_->WriteFormat("cannot open %s\r\n", file_.path);
}

void MatchWriter::BinaryNote() {
  if (!gSettings.Verbose) return;
  if (file_.shortcutPath != nullptr) {
    out_->WriteFormat("skip %s(%s) is binary\r\n", file_.path, file_.shortcutPath);
  } else {
    out_->WriteFormat("skip %s is binary\r\n", file_.path);
  }
}

void MatchWriter::OutputFileNote() {
  if (gSettings.Verbose) out_->WriteFormat("skip %s\r\n", file_.path);
}

}  // namespace zanto
