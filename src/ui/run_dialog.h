// RunDialog: shows a dialog template from the resources, rewritten in memory
// with the small-dialog font when SmallDialog is on.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace zanto {

constexpr int kFaceNameChars = 100;  // longest face name, terminator included

// Copies a DLGTEMPLATE resource (size bytes) into out (capacity bytes) with
// DS_SETFONT added: a template without its own font gets pointSize and face
// (UTF-16, NUL-terminated); one with its own font keeps it. Items are
// realigned to 4-byte boundaries. Returns the bytes written, 0 when the
// template is malformed or out is too small.
size_t BuildFontTemplate(const uint8_t* resource, size_t size, uint16_t pointSize, const wchar_t* face,
                         uint8_t* out, size_t capacity);
// Room BuildFontTemplate may need beyond the resource's own size.
size_t FontTemplateCapacity(size_t resourceSize);

// modal: DialogBoxParamA, the dialog's end value; otherwise
// CreateDialogParamA, the window handle. With SmallDialog on and no parent,
// returns the prepared in-memory template (an HGLOBAL the caller frees)
// instead of showing anything.
INT_PTR RunDialog(bool modal, int templateId, HWND parent, DLGPROC procedure, LPARAM initValue);
// The same for a template known by name.
INT_PTR RunDialog(bool modal, LPCSTR templateName, HWND parent, DLGPROC procedure, LPARAM initValue);

}  // namespace zanto
