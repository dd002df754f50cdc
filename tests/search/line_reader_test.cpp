// The line reader over real files: the pieces it hands out, reading again
// from a mark, and stepping over lines as ReadLine would count them.
#include "search/line_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "files/os.h"
#include "files/path.h"
#include "support/temp_dir.h"

namespace zanto {
namespace {

using test::TempDir;

enum class Source { kFile, kMemory };

// A reader over one file of a fresh folder, or over the same bytes held in
// memory. With a start, the file holds zero bytes (holes) before bytes, and
// the reader begins there.
class OpenFile {
 public:
  explicit OpenFile(const std::string& bytes, int64_t start = 0, Source source = Source::kFile)
      : reader_(std::make_unique<LineReader>()) {
    source_ = source;
    if (source == Source::kMemory) {
      held_ = bytes;
      reader_->StartBytes(held_.data(), held_.size());
      return;
    }
    if (start == 0) {
      dir_.Write("f.txt", bytes);
    } else {
      dir_.WriteSparse("f.txt", static_cast<uint64_t>(start) + bytes.size(), static_cast<uint64_t>(start), bytes);
    }
    handle_ = OsOpenFile((dir_ / "f.txt").c_str(), kOpenRead | kShareAll);
    reader_->Start(handle_);
    if (start != 0) reader_->Seek(start);
  }
  ~OpenFile() {
    if (handle_ >= 0) OsCloseFile(handle_);
  }
  bool opened() const { return handle_ >= 0 || source_ == Source::kMemory; }
  LineReader& reader() { return *reader_; }

 private:
  TempDir dir_;
  intptr_t handle_ = -1;
  Source source_ = Source::kFile;
  std::string held_;
  std::unique_ptr<LineReader> reader_;  // too large for the stack
};

// The next piece, or "<end>" at the end of the file.
std::string Next(LineReader& r) {
  char line[kLineBuffer];
  const long n = r.ReadLine(line);
  return n < 0 ? "<end>" : std::string(line, static_cast<size_t>(n));
}

std::vector<std::string> ReadRest(LineReader& r) {
  std::vector<std::string> pieces;
  for (std::string piece; (piece = Next(r)) != "<end>";) pieces.push_back(piece);
  return pieces;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line;
  return bytes;
}

// "a\r\n", then lines of 31 hiragana and CR LF: the first read of 256 KB
// ends between the lead and trail byte of a character, inside a line.
std::vector<std::string> AcrossTheFirstRead() {
  std::vector<std::string> lines = {"a\r\n"};
  std::string wide;
  for (int i = 0; i < 31; ++i) wide += "\x82\xa0";
  for (int i = 0; i < 4200; ++i) lines.push_back(wide + "\r\n");
  // With lines of 64 bytes after 3, the read ends 61 bytes into a line.
  static_assert(kReadBuffer % 64 == 0);
  return lines;
}

// One line running over the end of the first read, in pieces.
std::vector<std::string> LongLineAcrossTheFirstRead() {
  std::vector<std::string> pieces(kReadBuffer / kLinePiece, std::string(kLinePiece, 'z'));
  pieces.push_back(std::string(kReadBuffer % kLinePiece + 100, 'z') + "\n");
  return pieces;
}

struct PieceCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> pieces;
};

std::vector<PieceCase> PieceCases() {
  const std::string longLine(5000, 'x');
  return {
      {"empty file", "", {}},
      {"CR LF stays in the line", "a\r\nb\r\n", {"a\r\n", "b\r\n"}},
      {"a lone CR ends no line", "a\rb\nc\r", {"a\rb\n", "c\r"}},
      {"a NUL is a byte of the line", std::string("a\0b\n\0\n", 6), {std::string("a\0b\n", 4), std::string("\0\n", 2)}},
      {"the last line without a line end", "a\nlast", {"a\n", "last"}},
      {"a long line in pieces of 4095 bytes", longLine + "\r\n",
       {longLine.substr(0, kLinePiece), longLine.substr(kLinePiece) + "\r\n"}},
      {"4095 bytes, then the LF alone", std::string(kLinePiece, 'y') + "\n",
       {std::string(kLinePiece, 'y'), "\n"}},
      {"a read ending inside a character and a line", Joined(AcrossTheFirstRead()), AcrossTheFirstRead()},
      {"a read ending inside a long line", Joined(LongLineAcrossTheFirstRead()), LongLineAcrossTheFirstRead()},
  };
}

TEST(LineReader, HandsOutLinesAsStoredInPieces) {
  for (const Source source : {Source::kFile, Source::kMemory}) {
    for (const PieceCase& c : PieceCases()) {
      SCOPED_TRACE(c.name);
      SCOPED_TRACE(source == Source::kFile ? "file" : "memory");
      OpenFile file(c.bytes, 0, source);
      ASSERT_TRUE(file.opened());
      EXPECT_TRUE(ReadRest(file.reader()) == c.pieces);
      EXPECT_EQ(Next(file.reader()), "<end>");
    }
  }
}

// Marks before and after the end of the first read, returned to from the
// bytes held and from bytes read after them; in a file read from its
// start, and from a place past 4 GiB, where offsets no longer fit in 32
// bits; and in the same text held in memory.
TEST(LineReader, SeekReadsAgainFromAMark) {
  const std::vector<std::string> lines = AcrossTheFirstRead();
  const struct {
    int64_t start;
    Source source;
  } reads[] = {{0, Source::kFile}, {(int64_t{4} << 30) + 100, Source::kFile}, {0, Source::kMemory}};
  for (const auto& read : reads) {
    const int64_t start = read.start;
    SCOPED_TRACE(start);
    SCOPED_TRACE(read.source == Source::kFile ? "file" : "memory");
    OpenFile file(Joined(lines), start, read.source);
    ASSERT_TRUE(file.opened());
    LineReader& r = file.reader();
    size_t at = 0;
    int64_t offset = start;  // of lines[at]
    for (size_t markAt : {size_t{0}, size_t{10}, size_t{4094}, size_t{4100}}) {
      SCOPED_TRACE(markAt);
      while (at < markAt) {
        EXPECT_EQ(Next(r), lines[at]);
        offset += static_cast<int64_t>(lines[at++].size());
      }
      const int64_t mark = r.Tell();
      EXPECT_EQ(mark, offset);
      for (int i = 0; i < 3; ++i) EXPECT_EQ(Next(r), lines[at + i]);
      r.Seek(mark);
      const std::vector<std::string> rest = ReadRest(r);
      EXPECT_TRUE(rest == std::vector<std::string>(lines.begin() + static_cast<long>(at), lines.end()));
      r.Seek(mark);
    }
  }
}

// Lines of every kind the step-over has to count: runs of empty lines,
// lines around the one-piece limit, a few holding 'Q' or "Qk", and reads
// ending inside them.
std::string MixedLines() {
  std::string text;
  unsigned seed = 7;
  auto next = [&seed](unsigned range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % range;
  };
  while (text.size() < 3 * kReadBuffer) {
    const unsigned kind = next(20);
    size_t length = kind == 0 ? kLinePiece - 3 + next(7) : kind == 1 ? 8190 + next(3) : kind < 4 ? 0 : next(80);
    std::string line(length, 'a');
    for (size_t i = 0; i < line.size(); i += 1 + next(9)) line[i] = "\x82\xa0 \r"[next(4)];
    if (next(12) == 0 && !line.empty()) line[next(static_cast<unsigned>(line.size()))] = 'Q';
    if (next(25) == 0) line += "Qk";
    text += line + (next(2) == 0 ? "\r\n" : "\n");
  }
  return text + "Qk without a line end";
}

// The filter that lets through only lines holding 'Q'.
std::unique_ptr<UnitFilter> LinesWithQ() {
  auto filter = std::make_unique<UnitFilter>();
  filter->wanted = 1;
  for (unsigned previous = 0; previous < 256; ++previous) filter->byPair[previous << 8 | 'Q'] = 1;
  ChooseFilterAnchor(filter.get());
  return filter;
}

// Each step-over, given room for few or many lines, must leave the reader
// at the piece ReadLine would hand out after as many pieces, and must not
// step over a piece that may match.
TEST(LineReader, SteppingOverCountsLinesAsReadLineDoes) {
  const std::string text = MixedLines();
  OpenFile oracle(text);
  ASSERT_TRUE(oracle.opened());
  const std::vector<std::string> pieces = ReadRest(oracle.reader());
  const std::unique_ptr<UnitFilter> filter = LinesWithQ();
  // The needles' bytes are looked for a window at a time: the whole of
  // "Qk", the last three of "aaQk".
  for (const char* term : {"Qk", "aaQk", static_cast<const char*>(nullptr)}) {
    const bool byNeedle = term != nullptr;
    const PlainNeedle needle = PreparePlainNeedle(byNeedle ? term : "Q");
    for (unsigned long room : {1ul, 2ul, 7ul, 300ul, 100000ul}) {
      SCOPED_TRACE(std::string(byNeedle ? term : "filter") + ", room " + std::to_string(room));
      OpenFile file(text);
      LineReader& r = file.reader();
      size_t at = 0;
      unsigned long steppedTotal = 0;
      for (;;) {
        const unsigned long stepped = byNeedle ? r.SkipLinesWithout(needle, room) : r.SkipLinesFiltered(*filter, room);
        ASSERT_LE(stepped, room);
        ASSERT_LE(at + stepped, pieces.size());
        for (size_t i = at; i < at + stepped; ++i) {
          ASSERT_EQ(pieces[i].find(byNeedle ? term : "Q"), std::string::npos) << "piece " << i;
        }
        at += stepped;
        steppedTotal += stepped;
        const std::string piece = Next(r);
        if (at == pieces.size()) {
          EXPECT_EQ(piece, "<end>");
          break;
        }
        ASSERT_EQ(piece, pieces[at]) << "piece " << at;
        ++at;
      }
      EXPECT_GT(steppedTotal, pieces.size() / 4);  // the step-over did its part
    }
  }
}

}  // namespace
}  // namespace zanto
