// The commands end to end, in-process: each key through the accelerator table, the entry
// point's loop answering scripted keys, the About box, the selection dialog and the context menu
// holding a pause, the refusals while paused, and a device change rebuilding in the chosen mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "resources/resource.h"
#include "win32/input.h"

namespace velta_test {
namespace {

// What the main window saw: commands (kept from the window procedure when `swallow` is set),
// and the pause and readiness while a modal window had it disabled or a menu loop ran.
struct Watch {
  bool swallowCommands = false;
  std::vector<WORD> commands;
  int whileDisabled = 0;
  LONG minPauseWhileDisabled = INT32_MAX;
  BOOL readyWhileDisabled = FALSE;
  LONG maxPause = 0;
};
Watch Seen;
WNDPROC Inner = nullptr;

LRESULT CALLBACK Watching(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsWindowEnabled(window)) {
    ++Seen.whileDisabled;
    Seen.minPauseWhileDisabled = std::min(Seen.minPauseWhileDisabled, PauseCount);
    Seen.readyWhileDisabled |= AppReady;
  }
  if (message == WM_COMMAND) {
    Seen.commands.push_back(LOWORD(wParam));
    if (Seen.swallowCommands) return 0;
  }
  const LRESULT r = CallWindowProcA(Inner, window, message, wParam, lParam);
  Seen.maxPause = std::max(Seen.maxPause, PauseCount);
  return r;
}

const char OpenFileRefused[] =
    "\xB7\xCE\xB5\xE5\xB4\xC2 \xBE\xC8 \xB5\xCB\xB4\xCF\xB4\xD9 \xC7\xEA\xC7\xEA\r\n";
// 640 x 480 x 16 in the mode list: "Windowed mode", then two depths for each of five sizes.
constexpr int FullScreen640x480x16 = 11;

class CommandsTest : public AppTest {
 protected:
  void TearDown() override {
    unsetenv("VELTA_INPUT");
    unsetenv("VELTA_FRAMES");
    AppTest::TearDown();
  }
  // Scripted input for the display made next; call before Start.
  static void Script(const char* steps) {
    setenv("VELTA_INPUT", steps, 1);
    TestResetDisplay();
  }
  void Watch(bool swallowCommands = false) {
    Seen = {};
    Seen.swallowCommands = swallowCommands;
    Inner = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Watching)));
  }
  static int RunEntryPoint() {
    return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
  }
  static DeviceInfo* Hal() { return GetDriverList()->devices; }
};

TEST_F(CommandsTest, EveryKeyGivesItsCommand) {
  Start();
  Watch(true);
  HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
  ASSERT_NE(table, nullptr);
  const struct {
    UINT modifier;  // 0, VK_CONTROL or VK_MENU
    UINT key;
    WORD command;
  } rows[] = {
      {0, VK_RETURN, CmdGoStop},
      {0, VK_SPACE, CmdSingleStep},
      {0, VK_F1, CmdAbout},
      {0, VK_F2, CmdChangeDevice},
      {VK_MENU, VK_RETURN, CmdToggleFullScreen},
      {0, VK_ESCAPE, CmdExit},
      {VK_MENU, 'X', CmdExit},
      {VK_CONTROL, 'O', CmdOpenFile},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.command);
    Seen.commands.clear();
    if (row.modifier) InputKey(row.modifier, true);
    InputKey(row.key, true);
    InputKey(row.key, false);
    if (row.modifier) InputKey(row.modifier, false);
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!TranslateAcceleratorA(window, table, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    EXPECT_EQ(Seen.commands, std::vector<WORD>{row.command});
  }
  // A key without an accelerator gives no command.
  Seen.commands.clear();
  InputKey(VK_F3, true);
  InputKey(VK_F3, false);
  for (MSG msg{}; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);)
    if (!TranslateAcceleratorA(window, table, &msg)) DispatchMessageA(&msg);
  EXPECT_TRUE(Seen.commands.empty());
  DestroyAcceleratorTable(table);
}

TEST_F(CommandsTest, TheLoopAnswersScriptedKeys) {
  const struct {
    const char* script;
    BOOL frameMoving, windowed;
    size_t boxes;
    bool exits;  // the script ends the run long before the frame limit
  } rows[] = {
      {"key Return", 0, 1, 0, false},         {"key Return; key Return", 1, 1, 0, false},
      {"key alt+Return", 1, 0, 0, false},     {"key alt+Return; key alt+Return", 1, 1, 0, false},
      {"key ctrl+o", 1, 1, 1, false},         {"key F1; button 1", 1, 1, 0, false},
      {"key F2; key Escape", 1, 1, 0, false}, {"frames 2; key Escape", 1, 1, 0, true},
      {"frames 2; key alt+x", 1, 1, 0, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    setenv("VELTA_FRAMES", row.exits ? "200" : "8", 1);
    Script(row.script);
    ASSERT_TRUE(SelectNamedProfile("default"));
    EXPECT_EQ(RunEntryPoint(), 0);
    EXPECT_EQ(FrameMoving, row.frameMoving);
    EXPECT_EQ(Windowed, row.windowed);
    ASSERT_EQ(Boxes(), row.boxes);
    if (row.boxes) {
      EXPECT_EQ(TestMessageBoxes()[0].text, OpenFileRefused);
    }
    if (row.exits) {
      EXPECT_LT(Presented(), 20u);
    }
    EXPECT_EQ(PauseCount, 0);
    EXPECT_EQ(TheFramework, nullptr);
    unsetenv("VELTA_FRAMES");
    unsetenv("VELTA_INPUT");
    NextRow();
  }
}

TEST_F(CommandsTest, MenusAndDialogsHoldAPauseForTheirWholeTime) {
  const struct {
    const char* script;
    UINT message;
    WPARAM wParam;
    bool modal;  // the main window is disabled meanwhile
  } rows[] = {
      {"button 1", WM_COMMAND, CmdAbout, true},
      {"key Return", WM_COMMAND, CmdAbout, true},
      {"button 2", WM_COMMAND, CmdChangeDevice, true},
      {"button 1", WM_COMMAND, CmdChangeDevice, true},
      {"key Escape", WM_CONTEXTMENU, 0, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    Script(row.script);
    Start();
    Watch();
    const Framework* framework = TheFramework;
    POINT at{100, 100};
    ClientToScreen(window, &at);
    EXPECT_EQ(SendMessageA(window, row.message, row.wParam, MAKELPARAM(at.x, at.y)), 0);
    if (row.modal) {
      EXPECT_GT(Seen.whileDisabled, 0);
      EXPECT_EQ(Seen.minPauseWhileDisabled, 1);
      EXPECT_FALSE(Seen.readyWhileDisabled);
    } else {
      EXPECT_EQ(Seen.maxPause, 1);
    }
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_EQ(PauseCount, 0);
    EXPECT_EQ(AppReady, 1);
    EXPECT_EQ(Windowed, 1);
    EXPECT_EQ(TheFramework, framework);
    EXPECT_EQ(SingleStep, 0) << "nothing was rebuilt";
    EXPECT_EQ(Boxes(), 0u);
    NextRow();
  }
}

TEST_F(CommandsTest, ContextMenuChoosesFromThePopup) {
  Script("key Down; key Return");
  Start();
  Watch();
  POINT at{200, 150};
  ClientToScreen(window, &at);
  SendMessageA(window, WM_CONTEXTMENU, WPARAM(window), MAKELPARAM(at.x, at.y));
  // The choice comes as a posted command.
  for (MSG msg{}; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
  EXPECT_EQ(Seen.commands, std::vector<WORD>{CmdGoStop}) << "Go/stop is the first item";
  EXPECT_EQ(FrameMoving, 0);
  EXPECT_EQ(PauseCount, 0);
}

TEST_F(CommandsTest, ChangeDeviceAndToggleAreRefusedWhilePausedOrInactive) {
  Script("button 1");  // would close a dialog shown by mistake
  Start();
  Watch();
  SetPaused(true);
  EXPECT_EQ(Command(CmdChangeDevice), 0);
  EXPECT_EQ(Command(CmdToggleFullScreen), 0);
  SetPaused(false);
  AppActive = 0;
  EXPECT_EQ(Command(CmdChangeDevice), 0);
  AppActive = 1;
  EXPECT_EQ(Seen.whileDisabled, 0) << "no dialog";
  EXPECT_EQ(Windowed, 1);
  EXPECT_EQ(PauseCount, 0);
  // The monitor-power code is no command of ours: it changes nothing.
  const Framework* framework = TheFramework;
  EXPECT_EQ(Command(61808), 0);
  EXPECT_EQ(TheFramework, framework);
  EXPECT_EQ(FrameMoving, 1);
  EXPECT_EQ(SingleStep, 0);
}

TEST_F(CommandsTest, ChangeDeviceRebuildsInTheChosenModeAndBack) {
  const std::string script = "select 1002 " + std::to_string(FullScreen640x480x16) +
                             "; button 1; select 1002 0; button 1; select 1002 " +
                             std::to_string(FullScreen640x480x16) + "; button 2";
  Script(script.c_str());
  Start();
  const RECT before = [&] {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
  }();
  ModeInfo* windowedMode = Hal()->currentMode;

  // Full screen at 640 x 480 x 16: the picture at that mode.
  EXPECT_EQ(Command(CmdChangeDevice), 0);
  EXPECT_EQ(Windowed, 0);
  ASSERT_NE(TheFramework, nullptr);
  EXPECT_TRUE(TheFramework->fullScreen);
  EXPECT_STREQ(Hal()->currentMode->name, "640 x 480 x 16");
  ScreenBuffer& screen = TheDisplay().Screen();
  EXPECT_EQ(screen.width, 640u);
  EXPECT_EQ(screen.height, 480u);
  EXPECT_EQ(screen.bitsPerPixel, 16u);
  EXPECT_EQ(SingleStep, 1) << "rebuilt";
  EXPECT_EQ(PauseCount, 0);
  ASSERT_EQ(RenderOneFrame(), S_OK);
  // The screen shows the frame in 5-6-5 pixels: the clear colour around, the character inside.
  auto pixel = [&](DWORD x, DWORD y) {
    return uint16_t(screen.pixels[y * screen.pitch + 2 * x] |
                    screen.pixels[y * screen.pitch + 2 * x + 1] << 8);
  };
  const uint16_t background565 = (0x30 >> 3) << 11 | (0x30 >> 2) << 5 | (0x30 >> 3);
  EXPECT_EQ(pixel(5, 470), background565);
  EXPECT_EQ(pixel(630, 470), background565);
  int character = 0;
  for (DWORD y = 140; y < 340; ++y)
    for (DWORD x = 260; x < 380; ++x) character += pixel(x, y) != background565;
  EXPECT_GT(character, 5000);

  // "Windowed mode": back in the window at its old place; the full-screen mode stays stored.
  EXPECT_EQ(Command(CmdChangeDevice), 0);
  EXPECT_EQ(Windowed, 1);
  EXPECT_FALSE(TheFramework->fullScreen);
  RECT after{};
  GetWindowRect(window, &after);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right, before.right);
  EXPECT_EQ(TheDisplay().Screen().bitsPerPixel, 32u);
  EXPECT_STREQ(Hal()->currentMode->name, "640 x 480 x 16");
  EXPECT_EQ(Hal()->currentMode, windowedMode);

  // A choice cancelled changes nothing.
  SingleStep = 0;
  const Framework* framework = TheFramework;
  EXPECT_EQ(Command(CmdChangeDevice), 0);
  EXPECT_EQ(Windowed, 1);
  EXPECT_TRUE(Hal()->windowed);
  EXPECT_EQ(TheFramework, framework);
  EXPECT_EQ(SingleStep, 0);
  EXPECT_EQ(RenderOneFrame(), S_OK);
  EXPECT_EQ(Boxes(), 0u);
}

// Alt+Enter: the exclusive window covers the screen without a frame, and a pause that shows
// the desktop surface draws nothing of the windowed layout (no caption anywhere); back in a
// window, the frame comes back with the place.
TEST_F(CommandsTest, FullScreenCoversTheScreenWithoutTheWindowsFrame) {
  Start();
  RECT before{}, r{};
  GetWindowRect(window, &before);
  EXPECT_EQ(Command(CmdToggleFullScreen), 0);
  ASSERT_EQ(Windowed, 0);
  const ScreenBuffer& screen = TheDisplay().Screen();
  GetWindowRect(window, &r);
  EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == LONG(screen.width) &&
              r.bottom == LONG(screen.height));
  EXPECT_FALSE(GetWindowLongPtrA(window, GWL_STYLE) & WS_CAPTION);
  SetPaused(true);
  MSG msg;
  for (int n = 0; n < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n)
    DispatchMessageA(&msg);
  ASSERT_EQ(screen.bitsPerPixel, 16u);
  const COLORREF c = GetSysColor(COLOR_ACTIVECAPTION);
  const unsigned caption = (GetRValue(c) >> 3) << 11 | (GetGValue(c) >> 2) << 5 | GetBValue(c) >> 3;
  int captionPixels = 0;
  for (DWORD y = 0; y < screen.height; ++y)
    for (DWORD x = 0; x < screen.width; ++x)
      captionPixels += (screen.pixels[y * screen.pitch + 2 * x] |
                        screen.pixels[y * screen.pitch + 2 * x + 1] << 8) == int(caption);
  EXPECT_EQ(captionPixels, 0);
  SetPaused(false);

  EXPECT_EQ(Command(CmdToggleFullScreen), 0);
  ASSERT_EQ(Windowed, 1);
  GetWindowRect(window, &r);
  EXPECT_TRUE(r.left == before.left && r.top == before.top && r.right == before.right &&
              r.bottom == before.bottom);
  EXPECT_TRUE(GetWindowLongPtrA(window, GWL_STYLE) & WS_CAPTION);
}

}  // namespace
}  // namespace velta_test
