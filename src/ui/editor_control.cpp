#include "ui/editor_control.h"

namespace zanto {

EditorControlLibrary gEditorControl = {};

namespace {
constexpr int kStartCommand = 1;
constexpr int kEndCommand = 2;
constexpr char kClientName[] = "ZANTO";
constexpr char kStartOptions[] = "";  // the program asks for nothing special
}  // namespace

void StartEditorControl() {
  HMODULE module = LoadLibraryA("KZW32.DLL");
  if (!module) return;
  auto control = reinterpret_cast<KzControlCall>(reinterpret_cast<void*>(GetProcAddress(module, "kzcontrol")));
  if (!control) {
    FreeLibrary(module);
    return;
  }
  gEditorControl = {module, control, RegisterWindowMessageA("KZCONTROLMESSAGE")};
  control(kStartCommand, reinterpret_cast<LPARAM>(kClientName), kStartOptions, 0, 0);
}

void EndEditorControl() {
  if (!gEditorControl.module) return;
  gEditorControl.control(kEndCommand, 0, nullptr, 0, 0);
  FreeLibrary(gEditorControl.module);
  gEditorControl = {};
}

}  // namespace zanto
