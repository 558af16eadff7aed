#include <gtest/gtest.h>

#include "win32/text.h"

#include <string>

#include "app_fixture.h"

namespace velta_test {
namespace {

const char ExitSentence[] = "\n\nThis sample will now exit.";

class MainWindowTest : public AppTest {
 protected:
  void TearDown() override {
    unsetenv("VELTA_FRAMES");
    AppTest::TearDown();
  }
  static int RunEntryPoint() {
    return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
  }
  static RECT WindowRect(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return r;
  }
  static bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
};

TEST_F(MainWindowTest, StartUpFailuresShowOneBoxAndEndWithZero) {
  const struct {
    const char* profile;
    void (*change)(MachineProfile&);
    std::vector<std::string> texts;
  } rows[] = {
      {"no-devices", nullptr, {std::string(FrameworkErrorMessage(EnumErrFailed)) + ExitSentence}},
      {"desktop-8bit",
       nullptr,
       {std::string(FrameworkErrorMessage(FwErrNeedsHighColor)) + ExitSentence}},
      {"default",
       [](MachineProfile& m) {
         for (ProfileDevice& d : m.drivers[0].devices) d.failCreate = true;
       },
       {"No 3D Device\n\nSwitching to software rasterizer.",
        std::string("No 3D Device") + ExitSentence}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.profile);
    ASSERT_TRUE(SelectNamedProfile(row.profile));
    if (row.change) row.change(TestMachine());
    TestClearMessageBoxes();
    EXPECT_EQ(RunEntryPoint(), 0);
    const auto& boxes = TestMessageBoxes();
    ASSERT_EQ(boxes.size(), row.texts.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
      EXPECT_EQ(boxes[i].text, row.texts[i]);
      EXPECT_EQ(boxes[i].caption, AppTitle);
      EXPECT_EQ(boxes[i].owner, nullptr);
    }
    EXPECT_EQ(boxes.back().type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(TheFramework, nullptr);
    EXPECT_EQ(ModelTable[3].model, nullptr);
    EXPECT_EQ(AppReady, 0);
    // The window was made before anything could fail, and is left to the process's end.
    HWND w = GetActiveWindow();
    ASSERT_NE(w, nullptr);
    char title[64] = {};
    GetWindowTextA(w, title, sizeof title);
    EXPECT_STREQ(title, AppTitle);
    RECT client{};
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 640);
    EXPECT_GE(client.bottom, 480);
    NextRow();
  }
}

TEST_F(MainWindowTest, RunEndsWithZeroAndLeavesNothingBehind) {
  setenv("VELTA_FRAMES", "5", 1);
  TestResetDisplay();
  EXPECT_EQ(RunEntryPoint(), 0);
  EXPECT_GE(Presented(), 5u);
  EXPECT_LE(Presented(), 6u);
  EXPECT_EQ(Boxes(), 0u);
  EXPECT_TRUE(SameMatrix(CurrentWorld(), RotationAt(1000)));
  EXPECT_EQ(TheFramework, nullptr);
  EXPECT_EQ(AppActive, 0);
  EXPECT_EQ(AppReady, 0);
  EXPECT_EQ(ModelTable[3].model, nullptr);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  const DdLiveObjects live = TestLiveDirectDrawObjects();
  EXPECT_EQ(live.directDraws + live.surfaces + live.clippers + live.palettes + live.orphans, 0);
}

TEST_F(MainWindowTest, SizeMessagesFollowMinimiseAndRestore) {
  Start();
  EXPECT_EQ(AppActive, 1) << "set by the size messages of creation and first show";
  EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(OpenFileFilterProc));
  const struct {
    WPARAM type;
    BOOL active;
  } rows[] = {{SIZE_MINIMIZED, 0},
              {SIZE_RESTORED, 1},
              {SIZE_MAXHIDE, 0},
              {SIZE_MAXIMIZED, 1},
              {SIZE_MAXSHOW, 1}};
  AppReady = 0;  // no rebuilds: only the flag is looked at
  for (const auto& row : rows) {
    SendMessageA(window, WM_SIZE, row.type, 0);
    EXPECT_EQ(AppActive, row.active) << row.type;
  }
  AppReady = 1;

  ShowWindow(window, SW_MINIMIZE);
  EXPECT_EQ(AppActive, 0);
  EXPECT_EQ(SingleStep, 0) << "minimising rebuilds nothing";
  ShowWindow(window, SW_RESTORE);
  EXPECT_EQ(AppActive, 1);
  EXPECT_EQ(AppReady, 1);
  EXPECT_EQ(SingleStep, 1) << "restoring rebuilds";
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(TheFramework->renderWidth, DWORD(client.right));
  EXPECT_EQ(TheFramework->renderHeight, DWORD(client.bottom));
  EXPECT_EQ(RenderOneFrame(), S_OK);
}

TEST_F(MainWindowTest, ResizeRebuildsAtTheNewClientSizeOnlyWhenReady) {
  Start();
  const DWORD width = TheFramework->renderWidth;
  SetPaused(true);
  SetWindowPos(window, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(TheFramework->renderWidth, width);
  EXPECT_EQ(SingleStep, 0);
  SetPaused(false);

  SetWindowPos(window, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(TheFramework->renderWidth, DWORD(client.right));
  EXPECT_EQ(TheFramework->renderHeight, DWORD(client.bottom));
  EXPECT_TRUE(SameRect(SavedWindowRect, WindowRect(window)));
  EXPECT_EQ(AppReady, 1);
  EXPECT_EQ(SingleStep, 1);
  EXPECT_EQ(TheTransformState.right, 640) << "the camera keeps its screen";
  EXPECT_EQ(TheTransformState.bottom, 480);
  EXPECT_EQ(RenderOneFrame(), S_OK);
  EXPECT_EQ(BackBuffer().width, client.right);
}

TEST_F(MainWindowTest, MoveFollowsTheWindowWhileReady) {
  Start();
  SetWindowPos(window, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_TRUE(SameRect(SavedWindowRect, WindowRect(window)));
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  EXPECT_EQ(TheFramework->screenRect.left, origin.x);
  EXPECT_EQ(TheFramework->screenRect.top, origin.y);

  SetPaused(true);
  const RECT saved = SavedWindowRect;
  SetWindowPos(window, nullptr, 60, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_TRUE(SameRect(SavedWindowRect, saved));
  SetPaused(false);
}

TEST_F(MainWindowTest, SmallestWindowIs100By100) {
  Start();
  MINMAXINFO info{};
  info.ptMaxSize = POINT{1234, 567};
  info.ptMinTrackSize = POINT{1, 1};
  SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 100);
  EXPECT_EQ(info.ptMinTrackSize.y, 100);
  EXPECT_EQ(info.ptMaxSize.x, 1234);
  EXPECT_EQ(info.ptMaxSize.y, 567);
}

TEST_F(MainWindowTest, ToggleFullScreenAndBackKeepsTheWindowPlace) {
  Start();
  const RECT before = WindowRect(window);
  // Ignored while a pause is held or the window is minimised.
  SetPaused(true);
  EXPECT_EQ(Command(CmdToggleFullScreen), 0);
  EXPECT_EQ(Windowed, 1);
  SetPaused(false);
  AppActive = 0;
  Command(CmdToggleFullScreen);
  EXPECT_EQ(Windowed, 1);
  AppActive = 1;
  EXPECT_EQ(SingleStep, 0);

  EXPECT_EQ(Command(CmdToggleFullScreen), 0);
  EXPECT_EQ(Windowed, 0);
  EXPECT_EQ(AppReady, 1);
  EXPECT_TRUE(SameRect(SavedWindowRect, before));
  ASSERT_NE(TheFramework, nullptr);
  EXPECT_TRUE(TheFramework->fullScreen);
  EXPECT_EQ(TheFramework->renderWidth, 640u);
  EXPECT_EQ(TheFramework->renderHeight, 480u);
  ScreenBuffer& screen = TheDisplay().Screen();
  EXPECT_EQ(screen.width, 640u);
  EXPECT_EQ(screen.bitsPerPixel, 16u);
  uint64_t presented = Presented();
  EXPECT_EQ(RenderOneFrame(), S_OK);
  EXPECT_EQ(Presented(), presented + 1);

  EXPECT_EQ(Command(CmdToggleFullScreen), 0);
  EXPECT_EQ(Windowed, 1);
  EXPECT_FALSE(TheFramework->fullScreen);
  EXPECT_TRUE(SameRect(WindowRect(window), before));
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(TheFramework->renderWidth, DWORD(client.right));
  EXPECT_EQ(TheDisplay().Screen().bitsPerPixel, 32u);
  EXPECT_EQ(RenderOneFrame(), S_OK);
  EXPECT_EQ(Boxes(), 0u);
}

TEST_F(MainWindowTest, CursorIsHiddenOnlyInFullScreenWhileReady) {
  Start();
  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  auto hidden = [&] {
    SetCursor(arrow);
    LRESULT r = SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT);
    return r == TRUE && GetCursor() == nullptr;
  };
  EXPECT_FALSE(hidden());
  Command(CmdToggleFullScreen);
  ASSERT_EQ(Windowed, 0);
  EXPECT_TRUE(hidden());
  SetPaused(true);
  EXPECT_FALSE(hidden());
  SetPaused(false);
  AppActive = 0;
  EXPECT_FALSE(hidden());
  AppActive = 1;
  Command(CmdToggleFullScreen);
  EXPECT_FALSE(hidden());
}

TEST_F(MainWindowTest, MenuLoopHoldsAPause) {
  Start();
  SendMessageA(window, WM_ENTERMENULOOP, FALSE, 0);
  EXPECT_EQ(PauseCount, 1);
  EXPECT_EQ(AppReady, 0);
  SendMessageA(window, WM_EXITMENULOOP, FALSE, 0);
  EXPECT_EQ(PauseCount, 0);
  EXPECT_EQ(AppReady, 1);
}

TEST_F(MainWindowTest, PaintPresentsTheLastFrameUnlessPausedInFullScreen) {
  Start();
  RenderOneFrame();
  uint64_t presented = Presented();
  SendMessageA(window, WM_PAINT, 0, 0);
  EXPECT_EQ(Presented(), presented + 1);

  Command(CmdToggleFullScreen);
  ASSERT_EQ(Windowed, 0);
  RenderOneFrame();
  SetPaused(true);
  presented = Presented();
  SendMessageA(window, WM_PAINT, 0, 0);
  EXPECT_EQ(Presented(), presented) << "the desktop surface is shown instead";
  SetPaused(false);
  SendMessageA(window, WM_PAINT, 0, 0);
  EXPECT_EQ(Presented(), presented + 1);
  EXPECT_EQ(RenderOneFrame(), S_OK);
  EXPECT_EQ(Boxes(), 0u);
}

TEST_F(MainWindowTest, ExitAndCloseDestroyTheWindowAndQuitWithZero) {
  const struct {
    UINT message;
    bool fullScreen;
  } rows[] = {{WM_COMMAND, false}, {WM_CLOSE, false}, {WM_COMMAND, true}};
  for (const auto& row : rows) {
    const UINT message = row.message;
    Start();
    if (row.fullScreen) Command(CmdToggleFullScreen);
    EXPECT_EQ(Windowed, row.fullScreen ? 0 : 1);
    EXPECT_EQ(SendMessageA(window, message, message == WM_COMMAND ? CmdExit : 0, 0), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(TheFramework, nullptr);
    EXPECT_EQ(ModelTable[3].model, nullptr);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(TheDisplay().Screen().width, 1024u) << "the desktop's mode is back";
    EXPECT_EQ(TheDisplay().Screen().bitsPerPixel, 32u);
    NextRow();
  }
}

TEST_F(MainWindowTest, OpenFileShowsTheNoticeAndChangesNothingElse) {
  Start();
  RenderOneFrame();
  const Matrix4 world = CurrentWorld();
  const Framework* framework = TheFramework;
  const DWORD width = TheFramework->renderWidth;
  const uint64_t presented = Presented();

  EXPECT_EQ(Command(CmdOpenFile), 0);
  ASSERT_EQ(Boxes(), 1u);
  const RecordedMessageBox& box = TestMessageBoxes()[0];
  // Read back through the code page, so a wrong byte in the program's text shows here.
  EXPECT_EQ(PlatformAnsiToUtf8(box.text), "로드는 안 됩니다 헛헛\r\n");
  // 프로그램으로부터의 전갈
  EXPECT_EQ(
      box.caption,
      "\xC7\xC1\xB7\xCE\xB1\xD7\xB7\xA5\xC0\xB8\xB7\xCE\xBA\xCE\xC5\xCD\xC0\xC7 \xC0\xFC\xB0\xA5");
  EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
  EXPECT_EQ(box.owner, nullptr);

  EXPECT_EQ(PauseCount, 0);
  EXPECT_EQ(AppReady, 1);
  EXPECT_EQ(AppActive, 1);
  EXPECT_EQ(Windowed, 1);
  EXPECT_EQ(FrameMoving, 1);
  EXPECT_EQ(SingleStep, 0);
  EXPECT_EQ(TheFramework, framework);
  EXPECT_EQ(TheFramework->renderWidth, width);
  EXPECT_EQ(Presented(), presented);
  EXPECT_TRUE(SameMatrix(CurrentWorld(), world));

  // Only the filter answers it: the class procedure alone shows nothing.
  MainWindowProc(window, WM_COMMAND, CmdOpenFile, 0);
  EXPECT_EQ(Boxes(), 1u);
}

}  // namespace
}  // namespace velta_test
