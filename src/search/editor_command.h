// The command line that starts the editor on a search result: the editor
// command and the output file (or the clipboard argument), with the editor's
// program name replaced by the path the system registers for it.
#pragma once
#include <cstddef>

#include "base/bounds.h"
#include "search/result_output.h"

namespace zanto {

constexpr size_t kRegisteredPath = 512;     // a program path the system registers
constexpr size_t kEditorWord = kPathBuffer; // the program name must fit here to be looked up
// Room for the registered path in place of the editor command, the space
// and the quoted output file, so that no command line is ever cut.
constexpr size_t kEditorCommand = kRegisteredPath + kPathBuffer + 1 + kQuotedPath;

// Looks a program name up; true with its path (capacity bytes) when the
// system registers one.
using ProgramLookup = bool (*)(const char* name, char* path, size_t capacity);

// Writes "<execEdit> <argument>" into out (capacity bytes): the argument is
// outFile (already absolute), in double quotes when it holds a space, or
// execClip when outFile is empty. The first word (up to the first space) is
// then handed to lookup when it is shorter than kEditorWord bytes, and a
// registered path takes its place; the rest of the line is kept. Returns
// the length written.
size_t BuildEditorCommand(char* out, size_t capacity, const char* execEdit, const char* execClip,
                          const char* outFile, ProgramLookup lookup);

}  // namespace zanto
