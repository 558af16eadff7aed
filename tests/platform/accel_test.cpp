// Accelerator tables: the program's table 113 turning keys with their modifiers into commands,
// keys that must not match, and tables made in memory.
#include "window_recorder.h"

#include "testing/win32_hooks.h"

#include <vector>

using velta_test::Log;
using velta_test::WindowTest;

namespace {

// Puts keys down (or up) the way the program sees them: as key messages taken from the queue.
void SetKeys(HWND window, const std::vector<UINT>& keys, bool down) {
  for (UINT vk : keys) {
    PostMessageA(window, down ? WM_KEYDOWN : WM_KEYUP, vk, 0);
    MSG m;
    PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);
  }
}

struct KeyCase {
  const char* name;
  UINT message;
  UINT key;
  std::vector<UINT> held;
  int command;  // 0: no match
};

std::vector<KeyCase> Cases() {
  return {
      {"CtrlO", WM_KEYDOWN, 'O', {VK_CONTROL}, 40012},
      {"PlainO", WM_KEYDOWN, 'O', {}, 0},
      {"CtrlShiftO", WM_KEYDOWN, 'O', {VK_CONTROL, VK_SHIFT}, 0},
      {"Enter", WM_KEYDOWN, VK_RETURN, {}, 40016},
      {"ShiftEnter", WM_KEYDOWN, VK_RETURN, {VK_SHIFT}, 0},
      {"AltEnter", WM_SYSKEYDOWN, VK_RETURN, {VK_MENU}, 40011},
      {"Space", WM_KEYDOWN, VK_SPACE, {}, 40017},
      {"F1", WM_KEYDOWN, VK_F1, {}, 40015},
      {"F2", WM_KEYDOWN, VK_F2, {}, 40010},
      {"CtrlF2", WM_KEYDOWN, VK_F2, {VK_CONTROL}, 0},
      {"Escape", WM_KEYDOWN, VK_ESCAPE, {}, 40001},
      {"AltX", WM_SYSKEYDOWN, 'X', {VK_MENU}, 40001},
      {"PlainX", WM_KEYDOWN, 'X', {}, 0},
      {"F3", WM_KEYDOWN, VK_F3, {}, 0},
      {"EnterGoingUp", WM_KEYUP, VK_RETURN, {}, 0},
      {"CharacterO", WM_CHAR, 'O', {}, 0},
  };
}

class AccelTest : public WindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(AccelTest, Table113SendsTheCommandOfAMatchingKeyOnly) {
  const KeyCase& c = GetParam();
  HWND w = CreateMainWindow();
  HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(113));
  ASSERT_NE(table, nullptr);
  SetKeys(w, c.held, true);
  Log().clear();
  MSG msg{w, c.message, c.key, LPARAM(1), 0, {}};
  const int translated = TranslateAcceleratorA(w, table, &msg);
  EXPECT_EQ(translated != 0, c.command != 0);
  if (c.command) {
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].message, UINT(WM_COMMAND));
    EXPECT_EQ(Log()[0].wParam, MAKEWPARAM(c.command, 1));
    EXPECT_EQ(Log()[0].lParam, 0);
  } else {
    EXPECT_TRUE(Log().empty());
  }
  EXPECT_TRUE(DestroyAcceleratorTable(table));
}

INSTANTIATE_TEST_SUITE_P(Keys, AccelTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, AltInTheKeyMessageCountsAsAlt) {
  HWND w = CreateMainWindow();
  HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(113));
  Log().clear();
  MSG msg{w, WM_SYSKEYDOWN, VK_RETURN, LPARAM(1 | (KF_ALTDOWN << 16)), 0, {}};
  EXPECT_TRUE(TranslateAcceleratorA(w, table, &msg));
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(LOWORD(Log()[0].wParam), 40011);
  DestroyAcceleratorTable(table);
}

TEST_F(WindowTest, AcceleratorTablesInMemoryCopyAndGoAway) {
  HWND w = CreateMainWindow();
  ACCEL entries[] = {{FVIRTKEY | FSHIFT, VK_F5, 7}, {0, 'q', 8}, {FALT, 'q', 9}};
  HACCEL table = CreateAcceleratorTableA(entries, 3);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(CopyAcceleratorTableA(table, nullptr, 0), 3);
  ACCEL copy[2] = {};
  EXPECT_EQ(CopyAcceleratorTableA(table, copy, 2), 2);
  EXPECT_EQ(copy[1].key, 'q');
  EXPECT_EQ(copy[1].cmd, 8);

  // A character entry answers the character message; with FALT, only the system one.
  MSG ch{w, WM_CHAR, 'q', 1, 0, {}};
  MSG sys{w, WM_SYSCHAR, 'q', 1, 0, {}};
  Log().clear();
  EXPECT_TRUE(TranslateAcceleratorA(w, table, &ch));
  EXPECT_TRUE(TranslateAcceleratorA(w, table, &sys));
  ASSERT_EQ(Log().size(), 2u);
  EXPECT_EQ(LOWORD(Log()[0].wParam), 8);
  EXPECT_EQ(LOWORD(Log()[1].wParam), 9);

  SetKeys(w, {VK_SHIFT}, true);
  MSG f5{w, WM_KEYDOWN, VK_F5, 1, 0, {}};
  EXPECT_TRUE(TranslateAcceleratorA(w, table, &f5));
  SetKeys(w, {VK_SHIFT}, false);
  EXPECT_FALSE(TranslateAcceleratorA(w, table, &f5));

  EXPECT_TRUE(DestroyAcceleratorTable(table));
  EXPECT_FALSE(DestroyAcceleratorTable(table));
  EXPECT_FALSE(TranslateAcceleratorA(w, table, &f5));
  EXPECT_EQ(CopyAcceleratorTableA(table, nullptr, 0), 0);
  EXPECT_EQ(CreateAcceleratorTableA(entries, 0), nullptr);
  EXPECT_EQ(CreateAcceleratorTableA(nullptr, 2), nullptr);
}

TEST_F(WindowTest, BrokenAcceleratorResourcesAreRefused) {
  HMODULE module = reinterpret_cast<HMODULE>(0x00780000);
  // Two entries, the last-entry mark missing; and a table cut inside an entry.
  const BYTE unmarked[] = {1, 0, 'A', 0, 1, 0, 0, 0, 1, 0, 'B', 0, 2, 0, 0, 0};
  const BYTE cut[] = {0x81, 0, 'A', 0, 1};
  const MODULE_RESOURCE entries[] = {{RT_ACCELERATOR, MAKEINTRESOURCEA(1), unmarked, sizeof unmarked},
                                     {RT_ACCELERATOR, MAKEINTRESOURCEA(2), cut, sizeof cut}};
  ASSERT_TRUE(TestRegisterResources(module, entries, 2));
  EXPECT_EQ(LoadAcceleratorsA(module, MAKEINTRESOURCEA(1)), nullptr);
  EXPECT_EQ(LoadAcceleratorsA(module, MAKEINTRESOURCEA(2)), nullptr);
  EXPECT_EQ(LoadAcceleratorsA(module, MAKEINTRESOURCEA(3)), nullptr);
  HWND w = CreateMainWindow();
  MSG msg{w, WM_KEYDOWN, 'A', 1, 0, {}};
  EXPECT_FALSE(TranslateAcceleratorA(w, nullptr, &msg));
  HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(113));
  EXPECT_FALSE(TranslateAcceleratorA(w, table, nullptr));
  EXPECT_FALSE(TranslateAcceleratorA(nullptr, table, &msg));
  DestroyAcceleratorTable(table);
}

}  // namespace
