#include "search/match_writer.h"

#include <cstdio>

#include "base/settings.h"
#include "base/sjis.h"
#include "match/thesaurus.h"
#include "search/result_output.h"

namespace zanto {

namespace {

// History lines are written from a copy: writing a line changes it, and
// the history must keep it as read.
char gScratch[kLineBuffer];

void WriteTextLine(const char* text) {
  if (text[0] != '\0') WriteResultFormat("%s\r\n", text);
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
    WriteResultFormat("===== %s(%s) =====\r\n", file_.path, file_.shortcutPath);
  } else if (file_.archivePath != nullptr) {
    WriteResultFormat("===== %s(%s) =====\r\n", file_.path, file_.archivePath);
  } else {
    WriteResultFormat("===== %s =====\r\n", file_.path);
  }
}

// The line naming the file and first line of a context group or block. It
// carries the heading text as the line prefixes do, so that it can be
// found as a file reference like them.
void MatchWriter::GroupHeader(unsigned long number) {
  if (gSettings.Midashi) WriteResultFormat("%s ", gSettings.StrMidashi);
  WriteResultFormat("%s %lu\r\n", QuotePath(file_.path), number);
}

void MatchWriter::EarlierLine(const char* line, unsigned long number) {
  CopyText(gScratch, sizeof gScratch, line);
  WriteResultLine(gScratch, file_.path, number, '<');
}

// The header names the first line written, or the match when history holds
// none before it.
void MatchWriter::ContextBefore(const LineHistory& history, unsigned long matchLine) {
  WriteTextLine(gSettings.ZStartString);
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
  WriteTextLine(ActiveBlockSet().startText);
  if (gSettings.PrintFile) GroupHeader(matchLine - reach);
  for (int k = reach; k >= 1; --k) {
    const char* line = history.At(k);
    if (line == nullptr) break;
    EarlierLine(line, matchLine - k);
  }
}

void MatchWriter::QueryEcho(const char* fieldText, const char* searchText) {
  if (!gSettings.EchoQuery) return;
  WriteResultFormat("%s\r\n", fieldText);
  WriteResultFormat("%s\r\n", searchText);
}

void MatchWriter::MatchLine(char* line, unsigned long number, bool firstInFile) {
  switch (gSettings.FileListForm) {
    case kListFileNames:
      WriteResultFormat("%s\r\n", file_.path);
      break;
    case kListNumbersInRow:
      if (firstInFile) WriteResultFormat("%s\t", file_.path);
      WriteResultFormat("%lu ", number);
      break;
    case kListNumbersInColumn:
      if (firstInFile) {
        WriteResultText(file_.path);
        WriteResultText("\r\n");
      }
      WriteResultFormat("%lu\r\n", number);
      break;
    default:
      WriteResultLine(line, file_.path, number, ':', Marks());
      break;
  }
}

void MatchWriter::LineAfter(char* line, unsigned long number, char sign) {
  WriteResultLine(line, file_.path, number, sign, Marks());
}

void MatchWriter::ContextEnd() { WriteTextLine(gSettings.ZEndString); }

void MatchWriter::BlockEnd() { WriteTextLine(ActiveBlockSet().endText); }

void MatchWriter::CountStopNote() {
  if (gSettings.Verbose) WriteResultText("skip...\r\n");
}

void MatchWriter::FileDone(const FileSummary& summary) {
  if (summary.matches > 0) {
    if (gSettings.FileListForm == kListNumbersInRow) WriteResultText("\r\n");
    if (gSettings.FileListForm == kListNumbersInColumn) WriteResultText("*\r\n");
  }
  if (countSynonyms_ && matcher_ != nullptr && matcher_->Search().thesaurus != nullptr) {
    const Thesaurus& thesaurus = *matcher_->Search().thesaurus;
    for (size_t i = 0; i < thesaurus.Size(); ++i) {
      const uint32_t count = matcher_->SynonymCount(i);
      if (count > 0) WriteResultFormat("** %s=%d\r\n", thesaurus.Entry(i).word, static_cast<int>(count));
    }
  }
  if (!gSettings.Verbose) return;
  char memberText[16] = "";
  if (file_.archivePath != nullptr && file_.member > 0) snprintf(memberText, sizeof memberText, "-%u", file_.member);
  WriteResultFormat("*** %s  %ld 行中 マッチした数 %lu(%lu)  ファイル(%u%s/%u)%c\r\n", QuotePath(file_.path),
                    static_cast<long>(summary.lines), summary.matches, summary.runMatches, file_.number, memberText,
                    file_.total, KanjiLetter(summary.kanjiCode));
}

void MatchWriter::DateSizeNote(const char* name, const char* reason) {
  if (gSettings.Verbose) WriteResultFormat("skip %s %s\r\n", name, reason);
}

void MatchWriter::OpenErrorNote() {
  if (gSettings.Verbose) WriteResultFormat("cannot open %s\r\n", file_.path);
}

void MatchWriter::BinaryNote() {
  if (!gSettings.Verbose) return;
  if (file_.shortcutPath != nullptr) {
    WriteResultFormat("skip %s(%s) is binary\r\n", file_.path, file_.shortcutPath);
  } else {
    WriteResultFormat("skip %s is binary\r\n", file_.path);
  }
}

void MatchWriter::OutputFileNote() {
  if (gSettings.Verbose) WriteResultFormat("skip %s\r\n", file_.path);
}

}  // namespace zanto
