// The Host: everything the engine asks of the user interface. ui/ implements
// it over real windows; tests implement it with a scripted fake that records
// every call and answers message boxes from a script.
//
// Errors in this layer: nothing in base/ fails but a question put to the
// user, which returns the answer (kAnswer*); a conversion that may not fit
// returns the bytes it wrote, cut at a character boundary.
#pragma once
#include <cstddef>

#include "base/progress_text.h"

namespace zanto {

// Message box styles and answers, numbered as the platform numbers them.
enum : unsigned {
  kBoxOk = 0x00,
  kBoxOkCancel = 0x01,
  kBoxYesNoCancel = 0x03,
  kBoxYesNo = 0x04,
  kBoxIconInformation = 0x40,
};
enum : int {
  kAnswerOk = 1,
  kAnswerCancel = 2,
  kAnswerYes = 6,
  kAnswerNo = 7,
};

// Texts shown from more than one place of the program.
inline constexpr char kOutOfMemoryText[] = "メモリが足りません";
inline constexpr char kWrongSearchText[] = "検索文字列が誤っています";

class Host {
 public:
  virtual ~Host() = default;
  // Shows text in a box titled "ＺＡＮＴＯ32" (owned by the progress dialog
  // while a search runs); returns the answer.
  virtual int ShowMessage(const char* text, unsigned style) = 0;
  // The run has reached a file (or an archive member, or an archive it
  // unpacks).
  virtual void FileReached(const FileReport& file) = 0;
  // The run searches the directory at path now; an empty path: none to show.
  virtual void DirectoryReached(const char* path) = 0;
  // The run has found count matching lines so far.
  virtual void MatchCountChanged(unsigned long count) = 0;
  // A line for the list of first matches: a file's heading or a match.
  virtual void FirstMatchListed(ListedLine kind, const char* text) = 0;
  // Dispatches pending messages; while a pause is requested, keeps waiting
  // for messages until it is lifted or a stop is requested.
  virtual void ProcessMessages() = 0;
  // Sends one diagnostic line to the trace channel.
  virtual void Trace(const char* text) = 0;
  // Puts text (length bytes, Shift_JIS) on the clipboard as CF_TEXT.
  virtual bool CopyToClipboard(const char* text, size_t length) = 0;
  // The window that owns what the archive library shows while it unpacks
  // (the progress dialog during a search), or null.
  virtual void* OwnerWindow() { return nullptr; }
};

// The host the engine talks to; set once by the program or a test.
void SetHost(Host* host);
Host& GetHost();

// Shows text in an OK box with the information icon.
void ShowInformation(const char* text);
// Shows kOutOfMemoryText in an OK box with the information icon.
void ShowOutOfMemory();

// Formats a trace line (printf conventions) and sends it through the host.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Stop and pause flags of the running search, set by the progress dialog's
// buttons and read by the scan after each message dispatch.
extern volatile int gAbortRequested;
extern volatile int gPauseRequested;

}  // namespace zanto
