// Scripted input on the headless display: the step parser, when steps are played (frames,
// waits), what each step does to the windows, the answer to WaitsForUser, Escape once the
// script is played, and snapshots.
#include "window_recorder.h"

#include "display/display.h"
#include "display/input_script.h"
#include "test_support.h"
#include "win32/window.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using velta_test::Log;
using velta_test::Logged;
using velta_test::RecordingProc;
using velta_test::ScratchDir;
using velta_test::WindowTest;

namespace {

constexpr char kPlainClass[] = "ScriptTestWindow";
constexpr char kControlClass[] = "ScriptTestControl";

// A control that records its messages and takes combo box selections of items 0 to 2.
LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  RecordingProc(hwnd, message, wParam, lParam);
  if (message == CB_SETCURSEL) return wParam < 3 ? LRESULT(wParam) : CB_ERR;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

class Script : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setenv("VELTA_VIDEO", "headless", 1);
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = kPlainClass;
    ASSERT_NE(RegisterClassA(&wc), 0);
    wc.lpfnWndProc = ControlProc;
    wc.lpszClassName = kControlClass;
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
  void TearDown() override {
    for (const char* name : {"VELTA_INPUT", "VELTA_INPUT_ECHO", "VELTA_FRAMES", "VELTA_VIDEO"})
      unsetenv(name);
    WindowTest::TearDown();
  }

  // The display made anew with this script; the main window shown on it.
  HWND Start(const std::string& script, const char* frames = nullptr) {
    if (HWND old = MainTopLevelWindow()) DestroyWindow(old);
    setenv("VELTA_INPUT", script.c_str(), 1);
    if (frames) setenv("VELTA_FRAMES", frames, 1);
    TestResetDisplay();
    HWND main = CreateWindowExA(0, kPlainClass, "main", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 400, 300, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(main, SW_SHOWNORMAL);
    Log().clear();
    return main;
  }

  static void Frame() {
    TheDisplay().FramePresented();
    TheDisplay().PumpEvents(false);
  }
  static void Wait() { TheDisplay().PumpEvents(true); }

  // Key and mouse messages waiting, taken in order: message and wParam.
  static std::vector<std::pair<UINT, WPARAM>> Taken() {
    std::vector<std::pair<UINT, WPARAM>> out;
    MSG m;
    while (out.size() < 100 && PeekMessageA(&m, nullptr, WM_NCMOUSEMOVE, WM_MOUSELAST, PM_REMOVE))
      out.push_back({m.message, m.wParam});
    return out;
  }
  static bool ClosePosted(HWND w) {
    MSG m;
    return PeekMessageA(&m, w, WM_CLOSE, WM_CLOSE, PM_NOREMOVE);
  }
  static std::vector<std::pair<UINT, WPARAM>> Keys(std::initializer_list<std::pair<UINT, WPARAM>> l) {
    return l;
  }
};

struct GoodStep {
  const char* text;
  InputStepKind kind;
  UINT key;
  unsigned modifiers;
  long a, b;
  const char* file;
};

TEST(InputScriptParse, GoodSteps) {
  const GoodStep cases[] = {
      {"key F1", InputStepKind::Key, VK_F1, 0, 0, 0, ""},
      {"  KEY f12 ", InputStepKind::Key, VK_F12, 0, 0, 0, ""},
      {"key ctrl+o", InputStepKind::Key, 'O', kInputCtrl, 0, 0, ""},
      {"key alt+Return", InputStepKind::Key, VK_RETURN, kInputAlt, 0, 0, ""},
      {"key Ctrl+Shift+x", InputStepKind::Key, 'X', kInputCtrl | kInputShift, 0, 0, ""},
      {"key space", InputStepKind::Key, VK_SPACE, 0, 0, 0, ""},
      {"key Escape", InputStepKind::Key, VK_ESCAPE, 0, 0, 0, ""},
      {"key 7", InputStepKind::Key, '7', 0, 0, 0, ""},
      {"key up", InputStepKind::Key, VK_UP, 0, 0, 0, ""},
      {"key alt", InputStepKind::Key, VK_MENU, 0, 0, 0, ""},
      {"frames 30", InputStepKind::Frames, 0, 0, 30, 0, ""},
      {"click 10 -5", InputStepKind::Click, 0, 0, 10, -5, ""},
      {"rclick 1 2", InputStepKind::RightClick, 0, 0, 1, 2, ""},
      {"select 1001 2", InputStepKind::Select, 0, 0, 1001, 2, ""},
      {"button 1", InputStepKind::Button, 0, 0, 1, 0, ""},
      {"size 800 600", InputStepKind::Size, 0, 0, 800, 600, ""},
      {"move -10 20", InputStepKind::Move, 0, 0, -10, 20, ""},
      {"minimize", InputStepKind::Minimize, 0, 0, 0, 0, ""},
      {"restore", InputStepKind::Restore, 0, 0, 0, 0, ""},
      {"snapshot out dir/a b.bmp", InputStepKind::Snapshot, 0, 0, 0, 0, "out dir/a b.bmp"},
  };
  for (const GoodStep& c : cases) {
    SCOPED_TRACE(c.text);
    InputStep s;
    std::string error;
    ASSERT_TRUE(ParseInputStep(c.text, s, error)) << error;
    EXPECT_EQ(s.kind, c.kind);
    EXPECT_EQ(s.key, c.key);
    EXPECT_EQ(s.modifiers, c.modifiers);
    EXPECT_EQ(s.a, c.a);
    EXPECT_EQ(s.b, c.b);
    EXPECT_EQ(s.file, c.file);
  }
}

TEST(InputScriptParse, BadStepsSayWhy) {
  const std::pair<const char*, const char*> cases[] = {
      {"key F13", "unknown key name 'F13'"},
      {"key F0", "unknown key name"},
      {"key ctrl+", "unknown key name"},
      {"key ctrl+alt+", "unknown key name"},
      {"key", "one key name"},
      {"key F1 F2", "one key name"},
      {"frames", "one number"},
      {"frames -1", "not a number"},
      {"frames 1x", "not a number"},
      {"frames 99999999999", "not a number"},
      {"click 1", "two numbers"},
      {"size 0 10", "not a number"},
      {"select 1 -1", "not a number"},
      {"minimize now", "nothing after it"},
      {"snapshot", "file name"},
      {"jump 3", "unknown step 'jump'"},
  };
  for (auto [text, why] : cases) {
    SCOPED_TRACE(text);
    InputStep s;
    std::string error;
    EXPECT_FALSE(ParseInputStep(text, s, error));
    EXPECT_NE(error.find(why), std::string::npos) << error;
  }
  const ParsedInputScript script = ParseInputScript(" frames 3 ;;key F1; bogus 1 ;snapshot x.bmp;");
  ASSERT_EQ(script.steps.size(), 3u);
  EXPECT_EQ(script.steps[2].file, "x.bmp");
  ASSERT_EQ(script.errors.size(), 1u);
  EXPECT_NE(script.errors[0].find("'bogus 1'"), std::string::npos);
}

TEST_F(Script, StepsFollowFramesAndWaits) {
  Start("key F1; frames 2; key ctrl+o; key alt+x; frames 2; key a");
  TheDisplay().PumpEvents(false);
  EXPECT_TRUE(Taken().empty());  // nothing before the first frame
  Frame();
  EXPECT_EQ(Taken(), Keys({{WM_KEYDOWN, VK_F1}, {WM_KEYUP, VK_F1}}));
  Frame();  // plays `frames 2`
  Frame();
  EXPECT_TRUE(Taken().empty());
  Frame();
  EXPECT_EQ(Taken(), Keys({{WM_KEYDOWN, VK_CONTROL},
                           {WM_KEYDOWN, 'O'},
                           {WM_KEYUP, 'O'},
                           {WM_KEYUP, VK_CONTROL}}));
  Wait();  // a waiting loop plays at once
  EXPECT_EQ(Taken(), Keys({{WM_SYSKEYDOWN, VK_MENU},
                           {WM_SYSKEYDOWN, 'X'},
                           {WM_SYSKEYUP, 'X'},
                           {WM_KEYUP, VK_MENU}}));
  Wait();  // plays `frames 2`, counted by waits
  Wait();
  Wait();
  EXPECT_TRUE(Taken().empty());
  Wait();
  EXPECT_EQ(Taken(), Keys({{WM_KEYDOWN, 'A'}, {WM_KEYUP, 'A'}}));
}

TEST_F(Script, WaitsForUserWhenAButtonStepComesNext) {
  Start("frames 1; button 1; key a");
  EXPECT_FALSE(TheDisplay().WaitsForUser());
  Frame();
  EXPECT_TRUE(TheDisplay().WaitsForUser());
  Wait();
  testing::internal::CaptureStderr();
  Wait();  // `button 1` with no dialog open: said and skipped
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("'button 1'"), std::string::npos) << err;
  EXPECT_FALSE(TheDisplay().WaitsForUser());
}

TEST_F(Script, SnapshotsBeforeAButtonStillWait) {
  ScratchDir dir;
  Start("snapshot " + dir.File("box.bmp") + "; button 1");
  EXPECT_TRUE(TheDisplay().WaitsForUser());
  Start("snapshot " + dir.File("box.bmp") + "; key a; button 1");
  EXPECT_FALSE(TheDisplay().WaitsForUser());
}

TEST_F(Script, DialogStepsPickComboItemsAndPressButtons) {
  HWND main = Start("select 7 2; select 7 5; button 1");
  HWND dialog = CreateWindowExA(0, kPlainClass, "dialog", WS_POPUP | WS_CAPTION, 50, 50, 200,
                                100, main, nullptr, nullptr, nullptr);
  HWND combo = CreateWindowExA(0, kControlClass, "", WS_CHILD | WS_VISIBLE, 5, 5, 100, 20, dialog,
                               reinterpret_cast<HMENU>(7), nullptr, nullptr);
  HWND ok = CreateWindowExA(0, kControlClass, "OK", WS_CHILD | WS_VISIBLE, 5, 40, 50, 20, dialog,
                            reinterpret_cast<HMENU>(1), nullptr, nullptr);
  ShowWindow(dialog, SW_SHOWNORMAL);
  ASSERT_EQ(GetActiveWindow(), dialog);
  Log().clear();

  Wait();
  std::vector<Logged> seen;
  for (const Logged& l : Log())
    if (l.message == CB_SETCURSEL || l.message == WM_COMMAND) seen.push_back(l);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].hwnd, combo);
  EXPECT_EQ(seen[0].wParam, WPARAM(2));
  for (int i : {1, 2}) {
    EXPECT_EQ(seen[size_t(i)].hwnd, dialog);
    EXPECT_EQ(seen[size_t(i)].lParam, reinterpret_cast<LPARAM>(combo));
  }
  EXPECT_EQ(seen[1].wParam, MAKEWPARAM(7, CBN_SELCHANGE));
  EXPECT_EQ(seen[2].wParam, MAKEWPARAM(7, CBN_SELENDOK));

  Log().clear();
  testing::internal::CaptureStderr();
  Wait();  // no item 5: nothing is told to the dialog
  EXPECT_NE(testing::internal::GetCapturedStderr().find("'select 7 5'"), std::string::npos);
  EXPECT_EQ(velta_test::FindLogged(WM_COMMAND), nullptr);

  Wait();
  const Logged* click = velta_test::FindLogged(BM_CLICK);
  ASSERT_NE(click, nullptr);
  EXPECT_EQ(click->hwnd, ok);
}

TEST_F(Script, WindowStepsActAsADragWould) {
  HWND main = Start("size 500 320; move 10 20; minimize; restore; click 5 6; rclick 7 8");
  RECT r;
  Wait();
  GetClientRect(main, &r);
  EXPECT_EQ(r.right, 500);
  EXPECT_EQ(r.bottom, 320);
  EXPECT_NE(velta_test::FindLogged(WM_ENTERSIZEMOVE), nullptr);
  Wait();
  GetWindowRect(main, &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  Wait();
  EXPECT_TRUE(IsIconic(main));
  Wait();
  EXPECT_FALSE(IsIconic(main));
  Taken();
  Wait();
  Wait();
  std::vector<std::pair<UINT, LPARAM>> buttons;
  MSG m;
  while (PeekMessageA(&m, main, WM_LBUTTONDOWN, WM_RBUTTONUP, PM_REMOVE))
    buttons.push_back({m.message, m.lParam});
  const std::vector<std::pair<UINT, LPARAM>> expected = {{WM_LBUTTONDOWN, MAKELPARAM(5, 6)},
                                                         {WM_LBUTTONUP, MAKELPARAM(5, 6)},
                                                         {WM_RBUTTONDOWN, MAKELPARAM(7, 8)},
                                                         {WM_RBUTTONUP, MAKELPARAM(7, 8)}};
  EXPECT_EQ(buttons, expected);
}

TEST_F(Script, APlayedScriptPressesEscapeWhileALoopWaits) {
  HWND main = Start("key F1", "1");
  Frame();
  Taken();
  Wait();
  EXPECT_EQ(Taken(), Keys({{WM_KEYDOWN, VK_ESCAPE}, {WM_KEYUP, VK_ESCAPE}}));
  EXPECT_FALSE(ClosePosted(main));  // no frame came since the script was played
  Wait();
  EXPECT_EQ(Taken().size(), 2u);  // once per wait
}

TEST_F(Script, TheFrameLimitWaitsForTheScript) {
  HWND main = Start("frames 2", "1");
  Frame();
  Frame();
  EXPECT_FALSE(ClosePosted(main));
  Frame();
  EXPECT_TRUE(ClosePosted(main));

  // Played, nobody to take keys, and no frame comes: the close comes with the wait.
  main = Start("minimize", "100");
  Wait();
  ASSERT_EQ(GetActiveWindow(), nullptr);
  Wait();
  EXPECT_TRUE(Taken().empty());
  EXPECT_TRUE(ClosePosted(main));
}

TEST_F(Script, WithoutAScriptAWaitPostsNothing) {
  unsetenv("VELTA_INPUT");
  TestResetDisplay();
  HWND main = CreateWindowExA(0, kPlainClass, "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                              300, 200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(GetActiveWindow(), main);
  Wait();
  EXPECT_TRUE(Taken().empty());
  EXPECT_FALSE(TheDisplay().WaitsForUser());
}

TEST_F(Script, SnapshotsOfTheClientAreaOrTheScreenUnderThePopups) {
  ScratchDir dir;
  const std::string a = dir.File("a.bmp"), b = dir.File("b.bmp");
  HWND main = Start("snapshot " + a + "; snapshot " + b);
  Frame();
  auto size = [](const std::string& path) {
    LONG wh[2] = {0, 0};
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
      std::fseek(f, 18, SEEK_SET);
      if (std::fread(wh, sizeof(LONG), 2, f) != 2) wh[0] = wh[1] = 0;
      std::fclose(f);
    }
    return std::pair<LONG, LONG>{wh[0], wh[1]};
  };
  RECT c, w;
  GetClientRect(main, &c);
  GetWindowRect(main, &w);
  EXPECT_EQ(size(a), (std::pair<LONG, LONG>{c.right, c.bottom}));

  // A popup reaching past the main window's bottom-right corner.
  HWND popup = CreateWindowExA(0, kPlainClass, "menu", WS_POPUP, w.right - 20, w.bottom - 10, 60,
                               40, main, nullptr, nullptr, nullptr);
  ShowWindow(popup, SW_SHOWNA);
  Wait();
  EXPECT_EQ(size(b), (std::pair<LONG, LONG>{w.right + 40 - w.left, w.bottom + 30 - w.top}));
}

TEST_F(Script, StepsAreEchoedOnlyWhenAsked) {
  testing::internal::CaptureStderr();
  Start("key F1; bogus");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("VELTA_INPUT step 'bogus'"),
            std::string::npos);
  testing::internal::CaptureStderr();
  Wait();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  setenv("VELTA_INPUT_ECHO", "1", 1);
  Start("key F1");
  testing::internal::CaptureStderr();
  Wait();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "velta: input: key F1\n");
}

}  // namespace
