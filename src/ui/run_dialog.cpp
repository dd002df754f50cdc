#include "ui/run_dialog.h"

#include <cstring>

#include "base/host.h"
#include "base/settings.h"
#include "base/sjis.h"
#include "ui/app.h"

namespace zanto {

namespace {

constexpr size_t kHeaderBytes = 18;      // DLGTEMPLATE
constexpr size_t kItemHeaderBytes = 18;  // DLGITEMTEMPLATE
constexpr int kSmallestPoint = 8;        // below this, the default size
constexpr int kDefaultPoint = 10;
constexpr char kDefaultFace[] = "ＭＳ Ｐゴシック";

// Bounded reading and writing of the template bytes.
struct Reader {
  const uint8_t* data;
  size_t size;
  size_t pos;
  bool ok;
  uint16_t Word() {
    if (pos + 2 > size) {
      ok = false;
      return 0;
    }
    uint16_t w = static_cast<uint16_t>(data[pos] | (data[pos + 1] << 8));
    pos += 2;
    return w;
  }
  uint32_t Dword() {
    uint32_t low = Word();
    return low | (static_cast<uint32_t>(Word()) << 16);
  }
};

struct Writer {
  uint8_t* data;
  size_t capacity;
  size_t pos;
  bool ok;
  void Bytes(const uint8_t* from, size_t n) {
    if (pos + n > capacity) {
      ok = false;
      return;
    }
    std::memcpy(data + pos, from, n);
    pos += n;
  }
  void Word(uint16_t w) {
    uint8_t b[2] = {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8)};
    Bytes(b, 2);
  }
  void Align4() {
    while (ok && pos % 4 != 0) Word(0);
  }
};

// Copies a 16-bit string up to and including its 0.
void CopyString(Reader& in, Writer& out) {
  uint16_t w;
  do {
    w = in.Word();
    if (!in.ok) return;
    out.Word(w);
  } while (w != 0);
}

// A name field: 0, 0xFFFF + ordinal, or a 16-bit string.
void CopyNameOrOrdinal(Reader& in, Writer& out) {
  uint16_t first = in.Word();
  if (!in.ok) return;
  out.Word(first);
  if (first == 0) return;
  if (first == 0xFFFF) {
    out.Word(in.Word());
    return;
  }
  if (first != 0) CopyString(in, out);
}

void AlignReader(Reader& in) { in.pos = (in.pos + 3) & ~static_cast<size_t>(3); }

bool CopyItem(Reader& in, Writer& out) {
  AlignReader(in);
  out.Align4();
  if (in.pos + kItemHeaderBytes > in.size) return false;
  out.Bytes(in.data + in.pos, kItemHeaderBytes);
  in.pos += kItemHeaderBytes;
  CopyNameOrOrdinal(in, out);  // class
  CopyNameOrOrdinal(in, out);  // title
  uint16_t extra = in.Word();
  out.Word(extra);
  if (!in.ok || in.pos + extra > in.size) return false;
  out.Bytes(in.data + in.pos, extra);
  in.pos += extra;
  return out.ok;
}

}  // namespace

size_t FontTemplateCapacity(size_t resourceSize) {
  // Point size, face name and the realignment of every item.
  return resourceSize + 2 + kFaceNameChars * 2 + 4 * 256;
}

size_t BuildFontTemplate(const uint8_t* resource, size_t size, uint16_t pointSize, const wchar_t* face,
                         uint8_t* out, size_t capacity) {
  if (!resource || size < kHeaderBytes || !out) return 0;
  Reader in{resource, size, 0, true};
  Writer w{out, capacity, 0, true};
  uint32_t style = in.Dword();
  if (style == 0xFFFF0001u) return 0;  // an extended template is not ours
  in.pos = 8;
  uint16_t items = in.Word();
  w.Bytes(resource, kHeaderBytes);
  if (!w.ok) return 0;
  uint32_t newStyle = style | DS_SETFONT;
  std::memcpy(out, &newStyle, 4);
  in.pos = kHeaderBytes;
  CopyNameOrOrdinal(in, w);  // menu
  CopyNameOrOrdinal(in, w);  // class
  CopyString(in, w);         // title
  if (style & DS_SETFONT) {
    w.Word(in.Word());       // its own point size
    CopyString(in, w);       // and face
  } else {
    w.Word(pointSize);
    int n = 0;
    for (; face && face[n] && n < kFaceNameChars - 1; ++n) w.Word(static_cast<uint16_t>(face[n]));
    w.Word(0);
  }
  if (!in.ok || !w.ok) return 0;
  for (uint16_t i = 0; i < items; ++i) {
    if (!CopyItem(in, w)) return 0;
  }
  return w.ok ? w.pos : 0;
}

namespace {

// The prepared template in a zeroed global block, or null.
HGLOBAL PrepareSmallTemplate(LPCSTR templateName) {
  if (gSettings.DlgFontPoint < kSmallestPoint) gSettings.DlgFontPoint = kDefaultPoint;
  if (gSettings.FontDialog[0] == '\0') CopyText(gSettings.FontDialog, sizeof gSettings.FontDialog, kDefaultFace);
  Trace("dialog ");
  HRSRC found = FindResourceA(gApp.instance, templateName, MAKEINTRESOURCEA(5) /* RT_DIALOG */);
  if (!found) return nullptr;
  DWORD size = SizeofResource(gApp.instance, found);
  HGLOBAL loaded = LoadResource(gApp.instance, found);
  const uint8_t* resource = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  if (!resource || size < kHeaderBytes) return nullptr;
  size_t capacity = FontTemplateCapacity(size);
  HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, capacity);
  if (!block) return nullptr;
  uint8_t* copy = static_cast<uint8_t*>(GlobalLock(block));
  uint32_t style;
  std::memcpy(&style, resource, 4);
  Trace("%lx %lx ", static_cast<unsigned long>(style), static_cast<unsigned long>(style | DS_SETFONT));
  wchar_t face[kFaceNameChars] = {};
  MultiByteToWideChar(CP_OEMCP, 0, gSettings.FontDialog, -1, face, kFaceNameChars);
  face[kFaceNameChars - 1] = 0;
  size_t written = BuildFontTemplate(resource, size, static_cast<uint16_t>(gSettings.DlgFontPoint), face, copy,
                                     capacity);
  GlobalUnlock(block);
  if (written == 0) {
    GlobalFree(block);
    return nullptr;
  }
  return block;
}

}  // namespace

INT_PTR RunDialog(bool modal, int templateId, HWND parent, DLGPROC procedure, LPARAM initValue) {
  return RunDialog(modal, MAKEINTRESOURCEA(templateId), parent, procedure, initValue);
}

INT_PTR RunDialog(bool modal, LPCSTR templateName, HWND parent, DLGPROC procedure, LPARAM initValue) {
  if (!gSettings.SmallDialog) {
    if (modal) return DialogBoxParamA(gApp.instance, templateName, parent, procedure, initValue);
    return reinterpret_cast<INT_PTR>(CreateDialogParamA(gApp.instance, templateName, parent, procedure, initValue));
  }
  HGLOBAL block = PrepareSmallTemplate(templateName);
  if (!block) return 0;
  if (!parent) return reinterpret_cast<INT_PTR>(block);
  auto* dialogTemplate = static_cast<LPCDLGTEMPLATEA>(GlobalLock(block));
  INT_PTR result;
  if (modal) {
    result = DialogBoxIndirectParamA(gApp.instance, dialogTemplate, parent, procedure, initValue);
    Trace("ret=%d %lu ", static_cast<int>(result), static_cast<unsigned long>(GetLastError()));
  } else {
    HWND window = CreateDialogIndirectParamA(gApp.instance, dialogTemplate, parent, procedure, initValue);
    Trace("hwnd=%p ", static_cast<void*>(window));
    result = reinterpret_cast<INT_PTR>(window);
  }
  GlobalUnlock(block);
  GlobalFree(block);
  return result;
}

}  // namespace zanto
