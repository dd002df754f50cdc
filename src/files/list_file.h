// List files (*.LST) of the file-list dialog: one list entry per line - a
// path, optionally followed by ":" and archive members - in Shift_JIS, no
// header. Loading keeps only the lines whose files can be read; saving
// never leaves a half-written list in place of the old one.
#pragma once

#include "files/targets.h"

namespace zanto {

// Hands every line of the list file at path (line end removed, cut to 333
// bytes at a character boundary) whose file can be read to sink, in file
// order; empty lines and unreadable names are skipped without a word. The
// name checked is the line up to the first ":" from its third byte on, or
// the whole line. Reading stops when the sink refuses a line. False when
// the file cannot be opened (nothing is handed on).
bool LoadListFile(const char* path, TargetListSink& sink);

// Gives entry index (0 on) into out (kListEntryBuffer bytes); false after
// the last one.
using ListEntryReader = bool (*)(void* context, int index, char* out);

// Writes the entries, each followed by CR LF, into a new file beside path
// and puts it in the place of path only once it is complete. False when
// anything failed: the file under path is then as it was and the new one
// is gone.
bool SaveListFile(const char* path, ListEntryReader read, void* context);

}  // namespace zanto
