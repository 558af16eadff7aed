// Fuzz target: arbitrary bytes as an in-memory dialog template, run modally on the headless
// display. The dialog procedure presses a few keys through the dialog manager, paints every
// window and ends the dialog, so every input terminates; afterwards no window may be left.
// Each input runs twice: read for exactly its own size, and through DialogBoxIndirectParamA
// from a zero-filled buffer as large as the most a template may use.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "win32/dialog_internal.h"
#include "win32/window_internal.h"

namespace {

constexpr UINT kStep = WM_USER + 77;

void Key(HWND dialog, UINT vk) {
  HWND focus = GetFocus();
  MSG msg{focus ? focus : dialog, WM_KEYDOWN, vk, 1, 0, {}};
  IsDialogMessageA(dialog, &msg);
}

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      // Odd inputs end at once, before the dialog is shown.
      if (lParam & 1)
        EndDialog(dialog, 1);
      else
        PostMessageA(dialog, kStep, 0, 0);
      return TRUE;
    case kStep:
      Key(dialog, VK_TAB);
      Key(dialog, VK_DOWN);
      Key(dialog, VK_F4);
      Key(dialog, VK_DOWN);
      RedrawWindow(dialog, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
      Key(dialog, VK_RETURN);
      if (IsWindow(dialog)) EndDialog(dialog, 2);
      return TRUE;
  }
  return FALSE;
}

void CheckNothingLeft() {
  if (!Windows().windows.empty()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  velta_fuzz::Scratch();  // message boxes answered quietly
  static std::vector<uint8_t> padded(kMaxDialogTemplateBytes);

  const INT_PTR sized = DialogBoxFromBytes(nullptr, data, size, nullptr, Proc, LPARAM(size));
  if (sized != -1 && sized != 1 && sized != 2) __builtin_trap();
  CheckNothingLeft();

  const size_t n = size < padded.size() ? size : padded.size();
  std::memset(padded.data(), 0, padded.size());
  if (n) std::memcpy(padded.data(), data, n);
  DialogBoxIndirectParamA(nullptr, reinterpret_cast<LPCDLGTEMPLATEA>(padded.data()), nullptr, Proc,
                          LPARAM(size));
  CheckNothingLeft();
  // Nothing may stay queued for the next input.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  return 0;
}
