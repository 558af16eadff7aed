#include <windows.h>

#include "dialog_builder.h"
#include "testing/win32_hooks.h"
#include "testing/window_hooks.h"
#include "win32/controls_combo.h"
#include "win32/dialog_internal.h"
#include "win32/input.h"
#include "win32/window_internal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

std::vector<WPARAM>* g_commands = nullptr;

INT_PTR CALLBACK CommandProc(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && g_commands) g_commands->push_back(wParam);
  return message == WM_INITDIALOG;
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr int kCombo = 1000;
constexpr int kSorted = 1001;

TemplateBuilder ControlsTemplate() {
  TemplateBuilder t;
  t.Header(WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME | DS_SETFONT, 7, 10, 10, 200, 120,
           "Controls", 8, "MS Sans Serif");
  t.Item(kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 10, 10, 50, 14, IDOK, nullptr, "OK", 0x0080);
  t.Item(kChild | WS_TABSTOP, 70, 10, 50, 14, IDCANCEL, nullptr, "Cancel", 0x0080);
  t.Item(kChild | BS_GROUPBOX, 10, 30, 110, 40, 3, "BUTTON", "Usage");
  t.Item(kChild | SS_CENTER, 15, 45, 50, 8, 4, "STATIC", "<F1>");
  t.Item(kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 130, 10, 60, 45, kCombo, "COMBOBOX",
         "");
  t.Item(kChild | CBS_DROPDOWNLIST | CBS_SORT | WS_TABSTOP, 130, 40, 60, 45, kSorted, "COMBOBOX",
         "");
  t.Item(kChild | SS_ICON, 130, 80, 20, 20, 5, nullptr, nullptr, 0x0082, 101);
  return t;
}

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    TestResetWindows();
    TestSilenceMessageBoxes(true);
    g_commands = &commands_;
    dialog_ = CreateDialogIndirectParamA(reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr)),
                                         ControlsTemplate().get(), nullptr, CommandProc, 0);
    ASSERT_TRUE(dialog_);
    combo_ = GetDlgItem(dialog_, kCombo);
    ASSERT_TRUE(combo_);
  }
  void TearDown() override {
    g_commands = nullptr;
    TestResetWindows();
    TestResetMessageBoxes();
  }
  LRESULT Combo(UINT m, WPARAM w = 0, LPARAM l = 0) { return SendMessageA(combo_, m, w, l); }
  void Fill(int n) {
    static const char* const kNames[] = {"zero", "one", "two",   "three", "four",
                                         "five", "six", "seven", "eight", "nine"};
    for (int i = 0; i < n; ++i) {
      Combo(CB_ADDSTRING, 0, LPARAM(kNames[i]));
      Combo(CB_SETITEMDATA, WPARAM(i), LPARAM(0x100000000LL * (i + 1) + i));
    }
  }
  static WPARAM Notice(int id, int code) { return MAKEWPARAM(id, code); }
  HWND List() {
    ComboState* s = FindComboState(combo_);
    return s ? s->list : nullptr;
  }

  std::vector<WPARAM> commands_;
  HWND dialog_ = nullptr;
  HWND combo_ = nullptr;
};

TEST_F(Controls, ComboBoxMessages) {
  EXPECT_EQ(Combo(CB_GETCOUNT), 0);
  EXPECT_EQ(Combo(CB_GETCURSEL), CB_ERR);
  Fill(3);
  const LRESULT big = LRESULT(0x100000000LL * 3 + 2);
  const struct {
    UINT message;
    WPARAM wParam;
    LRESULT result;
  } cases[] = {
      {CB_GETCOUNT, 0, 3},         {CB_GETITEMDATA, 2, big},
      {CB_GETITEMDATA, 3, CB_ERR}, {CB_GETITEMDATA, WPARAM(-1), CB_ERR},
      {CB_GETLBTEXTLEN, 1, 3},     {CB_GETLBTEXTLEN, 9, CB_ERR},
      {CB_SETCURSEL, 1, 1},        {CB_GETCURSEL, 0, 1},
      {CB_SETCURSEL, 7, CB_ERR},   {CB_GETCURSEL, 0, CB_ERR},
      {CB_SETCURSEL, 2, 2},        {CB_GETDROPPEDSTATE, 0, FALSE},
      {CB_SETITEMDATA, 5, CB_ERR},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Combo(c.message, c.wParam), c.result) << std::hex << c.message << " " << c.wParam;
  char text[16] = "";
  EXPECT_EQ(Combo(CB_GETLBTEXT, 1, LPARAM(text)), 3);
  EXPECT_STREQ(text, "one");
  EXPECT_EQ(Combo(CB_GETLBTEXT, 3, LPARAM(text)), CB_ERR);
  EXPECT_EQ(GetWindowTextA(combo_, text, sizeof text), 3);  // the selected item
  EXPECT_STREQ(text, "two");
  EXPECT_EQ(Combo(CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("ONE")), 1);
  // Deleting before the selection moves it along; deleting it clears it.
  EXPECT_EQ(Combo(CB_DELETESTRING, 0), 2);
  EXPECT_EQ(Combo(CB_GETCURSEL), 1);
  EXPECT_EQ(Combo(CB_DELETESTRING, 1), 1);
  EXPECT_EQ(Combo(CB_GETCURSEL), CB_ERR);
  EXPECT_EQ(Combo(CB_RESETCONTENT), CB_OKAY);
  EXPECT_EQ(Combo(CB_GETCOUNT), 0);
  EXPECT_EQ(Combo(CB_INSERTSTRING, 0, LPARAM("b")), 0);
  EXPECT_EQ(Combo(CB_INSERTSTRING, 0, LPARAM("a")), 0);
  EXPECT_EQ(Combo(CB_INSERTSTRING, 5, LPARAM("x")), CB_ERR);
  // Unsorted boxes keep the order of adding; CBS_SORT sorts.
  HWND sorted = GetDlgItem(dialog_, kSorted);
  for (const char* s : {"pear", "apple", "fig"}) SendMessageA(sorted, CB_ADDSTRING, 0, LPARAM(s));
  SendMessageA(sorted, CB_GETLBTEXT, 0, LPARAM(text));
  EXPECT_STREQ(text, "apple");
  EXPECT_TRUE(commands_.empty());  // messages from the program notify nothing
}

TEST_F(Controls, ClosedComboStepsWithArrowsAndNotifies) {
  Fill(3);
  SetFocus(combo_);
  commands_.clear();
  MSG down{combo_, WM_KEYDOWN, VK_DOWN, 1, 0, {}};
  IsDialogMessageA(dialog_, &down);
  EXPECT_EQ(Combo(CB_GETCURSEL), 0);
  IsDialogMessageA(dialog_, &down);
  EXPECT_EQ(Combo(CB_GETCURSEL), 1);
  EXPECT_EQ(commands_,
            (std::vector<WPARAM>{Notice(kCombo, CBN_SELCHANGE), Notice(kCombo, CBN_SELENDOK),
                                 Notice(kCombo, CBN_SELCHANGE), Notice(kCombo, CBN_SELENDOK)}));
  commands_.clear();
  MSG up{combo_, WM_KEYDOWN, VK_HOME, 1, 0, {}};
  IsDialogMessageA(dialog_, &up);
  IsDialogMessageA(dialog_, &up);  // already at the top: nothing
  EXPECT_EQ(Combo(CB_GETCURSEL), 0);
  EXPECT_EQ(commands_.size(), 2u);
}

TEST_F(Controls, DropDownListByKeyboard) {
  Fill(5);
  Combo(CB_SETCURSEL, 1);
  SetFocus(combo_);
  commands_.clear();
  MSG f4{combo_, WM_KEYDOWN, VK_F4, 1, 0, {}};
  IsDialogMessageA(dialog_, &f4);
  ASSERT_TRUE(List());
  EXPECT_EQ(Combo(CB_GETDROPPEDSTATE), TRUE);
  EXPECT_TRUE(IsWindowVisible(List()));
  EXPECT_EQ(GetActiveWindow(), dialog_);  // the list takes no activation
  RECT field, list;
  GetWindowRect(combo_, &field);
  GetWindowRect(List(), &list);
  EXPECT_EQ(list.top, field.bottom);
  EXPECT_EQ(list.left, field.left);
  EXPECT_EQ(list.right, field.right);
  RECT made{0, 0, 60, 45};
  MapDialogRect(dialog_, &made);
  EXPECT_LE(list.bottom - list.top + (field.bottom - field.top), made.bottom + 1);
  EXPECT_GE(list.bottom - list.top, Combo(CB_GETITEMHEIGHT));

  // Down twice and Enter: the list's keys, not the dialog's (no IDOK).
  MSG key{combo_, WM_KEYDOWN, VK_DOWN, 1, 0, {}};
  IsDialogMessageA(dialog_, &key);
  IsDialogMessageA(dialog_, &key);
  EXPECT_EQ(Combo(CB_GETCURSEL), 1);  // nothing chosen yet
  key.wParam = VK_RETURN;
  IsDialogMessageA(dialog_, &key);
  EXPECT_FALSE(List());
  EXPECT_EQ(Combo(CB_GETCURSEL), 3);
  EXPECT_EQ(commands_,
            (std::vector<WPARAM>{Notice(kCombo, CBN_DROPDOWN), Notice(kCombo, CBN_SELCHANGE),
                                 Notice(kCombo, CBN_SELENDOK), Notice(kCombo, CBN_CLOSEUP)}));

  // Alt+Down opens, Esc closes without a choice.
  commands_.clear();
  MSG alt{combo_, WM_SYSKEYDOWN, VK_DOWN, 0x20000001, 0, {}};
  IsDialogMessageA(dialog_, &alt);
  ASSERT_TRUE(List());
  key.wParam = VK_UP;
  IsDialogMessageA(dialog_, &key);
  key.wParam = VK_ESCAPE;
  IsDialogMessageA(dialog_, &key);
  EXPECT_FALSE(List());
  EXPECT_EQ(Combo(CB_GETCURSEL), 3);
  EXPECT_EQ(commands_,
            (std::vector<WPARAM>{Notice(kCombo, CBN_DROPDOWN), Notice(kCombo, CBN_SELENDCANCEL),
                                 Notice(kCombo, CBN_CLOSEUP)}));
}

TEST_F(Controls, DropDownListByMouse) {
  Fill(4);
  commands_.clear();
  SendMessageA(combo_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ASSERT_TRUE(List());
  EXPECT_EQ(GetFocus(), combo_);
  EXPECT_EQ(GetCapture(), List());
  SendMessageA(List(), WM_LBUTTONUP, 0, MAKELPARAM(5, -4));  // the release that opened it
  ASSERT_TRUE(List());
  const int row = int(Combo(CB_GETITEMHEIGHT));
  SendMessageA(List(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 2 * row + 2));
  SendMessageA(List(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 2 * row + 2));
  SendMessageA(List(), WM_LBUTTONUP, 0, MAKELPARAM(5, 2 * row + 2));
  EXPECT_FALSE(List());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Combo(CB_GETCURSEL), 2);
  EXPECT_EQ(Combo(CB_GETITEMDATA, 2), LRESULT(0x100000000LL * 3 + 2));
  // A press outside the open list closes it without a choice.
  SendMessageA(combo_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ASSERT_TRUE(List());
  commands_.clear();
  SendMessageA(List(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-50, -50));
  EXPECT_FALSE(List());
  EXPECT_EQ(Combo(CB_GETCURSEL), 2);
  EXPECT_EQ(commands_,
            (std::vector<WPARAM>{Notice(kCombo, CBN_SELENDCANCEL), Notice(kCombo, CBN_CLOSEUP)}));
  // Losing the focus closes it too; so does emptying the box.
  SendMessageA(combo_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ASSERT_TRUE(List());
  SetFocus(GetDlgItem(dialog_, IDOK));
  EXPECT_FALSE(List());
  SendMessageA(combo_, CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(List());
  Combo(CB_RESETCONTENT);
  EXPECT_FALSE(List());
  SendMessageA(combo_, CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(List());
  DestroyWindow(dialog_);  // with its list
  EXPECT_EQ(Windows().windows.size(), 0u);
}

// More items than rows: a scroll bar that works with the mouse, the wheel, and dragging past
// the list's bottom edge; presses in the bar pick nothing.
TEST_F(Controls, DropDownListScrollsByBarWheelAndDrag) {
  Fill(10);
  Combo(CB_SETCURSEL, 0);
  SetFocus(combo_);
  SendMessageA(combo_, CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(List());
  ComboState* s = FindComboState(combo_);
  RECT r;
  GetClientRect(List(), &r);
  const int row = int(Combo(CB_GETITEMHEIGHT));
  const int rows = int(r.bottom) / row;
  ASSERT_LT(rows, 10);
  const int bar = int(r.right) - GetSystemMetrics(SM_CXVSCROLL) / 2;
  auto press = [&](int x, int y) {
    SendMessageA(List(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  };
  auto move = [&](int x, int y) {
    SendMessageA(List(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
  };
  auto release = [&](int x, int y) { SendMessageA(List(), WM_LBUTTONUP, 0, MAKELPARAM(x, y)); };
  auto pump = [] {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  };
  commands_.clear();
  press(bar, int(r.bottom) - 2);  // the down arrow
  release(bar, int(r.bottom) - 2);
  EXPECT_EQ(s->top, 1);
  press(bar, 2);  // the up arrow
  release(bar, 2);
  EXPECT_EQ(s->top, 0);
  press(bar, int(r.bottom) - GetSystemMetrics(SM_CXVSCROLL) - 2);  // the track below the thumb
  release(bar, 0);
  EXPECT_EQ(s->top, rows - 1);
  // The thumb, dragged to the end of the track and back.
  SendMessageA(combo_, CB_SHOWDROPDOWN, FALSE, 0);
  SendMessageA(combo_, CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(List());
  s = FindComboState(combo_);
  press(bar, GetSystemMetrics(SM_CXVSCROLL) + 2);
  move(bar, int(r.bottom) + 40);
  EXPECT_EQ(s->top, 10 - rows);
  move(bar, -40);
  EXPECT_EQ(s->top, 0);
  release(bar, -40);
  ASSERT_TRUE(List()) << "presses in the bar pick nothing";
  EXPECT_EQ(Combo(CB_GETCURSEL), 0);
  // The wheel, through the focus window: three rows a notch, within the items.
  InputMouseWheel(-WHEEL_DELTA, 0, 0);
  pump();
  EXPECT_EQ(s->top, std::min(3, 10 - rows));
  InputMouseWheel(4 * WHEEL_DELTA, 0, 0);
  pump();
  EXPECT_EQ(s->top, 0);
  // Dragging below the list scrolls it a row a move and marks the last row in view.
  move(5, row);
  move(5, int(r.bottom) + 3);
  move(5, int(r.bottom) + 6);
  EXPECT_EQ(s->top, 2);
  EXPECT_EQ(s->hot, rows + 1);
  move(5, int(r.bottom) - row / 2);
  release(5, int(r.bottom) - row / 2);
  EXPECT_FALSE(List());
  EXPECT_EQ(Combo(CB_GETCURSEL), rows + 1);
  EXPECT_EQ(commands_,
            (std::vector<WPARAM>{Notice(kCombo, CBN_SELENDCANCEL), Notice(kCombo, CBN_CLOSEUP),
                                 Notice(kCombo, CBN_DROPDOWN), Notice(kCombo, CBN_SELCHANGE),
                                 Notice(kCombo, CBN_SELENDOK), Notice(kCombo, CBN_CLOSEUP)}));
  // Closed, the wheel steps the selection.
  InputMouseWheel(WHEEL_DELTA, 0, 0);
  pump();
  EXPECT_EQ(Combo(CB_GETCURSEL), rows);
}

TEST_F(Controls, ButtonClicks) {
  HWND ok = GetDlgItem(dialog_, IDOK);
  const WPARAM clicked = Notice(IDOK, BN_CLICKED);
  const struct {
    const char* name;
    std::vector<std::pair<UINT, LPARAM>> sends;
    size_t clicks;
  } cases[] = {
      {"BM_CLICK", {{BM_CLICK, 0}}, 1},
      {"mouse inside", {{WM_LBUTTONDOWN, MAKELPARAM(3, 3)}, {WM_LBUTTONUP, MAKELPARAM(4, 4)}}, 1},
      {"released outside",
       {{WM_LBUTTONDOWN, MAKELPARAM(3, 3)},
        {WM_MOUSEMOVE, MAKELPARAM(500, 3)},
        {WM_LBUTTONUP, MAKELPARAM(500, 3)}},
       0},
      {"up without down", {{WM_LBUTTONUP, MAKELPARAM(3, 3)}}, 0},
  };
  for (const auto& c : cases) {
    commands_.clear();
    for (auto [m, l] : c.sends) SendMessageA(ok, m, m == WM_LBUTTONDOWN ? MK_LBUTTON : 0, l);
    EXPECT_EQ(commands_, std::vector<WPARAM>(c.clicks, clicked)) << c.name;
    EXPECT_EQ(SendMessageA(ok, BM_GETSTATE, 0, 0) & BST_PUSHED, 0) << c.name;
  }
  // Space on the focused button: pressed on the way down, clicked on the way up.
  SetFocus(ok);
  commands_.clear();
  MSG space{ok, WM_KEYDOWN, VK_SPACE, 1, 0, {}};
  IsDialogMessageA(dialog_, &space);
  EXPECT_EQ(SendMessageA(ok, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
  EXPECT_TRUE(commands_.empty());
  space.message = WM_KEYUP;
  IsDialogMessageA(dialog_, &space);
  EXPECT_EQ(commands_, std::vector<WPARAM>{clicked});
  // A group box is no button to press; a disabled button is not pressed.
  commands_.clear();
  SendMessageA(GetDlgItem(dialog_, 3), BM_CLICK, 0, 0);
  EnableWindow(ok, FALSE);
  SendMessageA(ok, BM_CLICK, 0, 0);
  EXPECT_TRUE(commands_.empty());
  EXPECT_EQ(SendMessageA(GetDlgItem(dialog_, 3), WM_GETDLGCODE, 0, 0), DLGC_STATIC);
}

TEST_F(Controls, IconStaticLoadsFromTheDialogsModule) {
  HWND icon = GetDlgItem(dialog_, 5);
  const HICON expected =
      LoadIconA(reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr)), MAKEINTRESOURCEA(101));
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)), expected);
  // Whatever size the template gave (a resource compiler writes 0 x 0), it takes the icon's.
  RECT r;
  GetClientRect(icon, &r);
  EXPECT_EQ(r.right, GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYICON));
  const HICON other = LoadIconA(nullptr, IDI_HAND);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(icon, STM_SETICON, WPARAM(other), 0)), expected);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)), other);
}

// ---- What reaches the screen ----

bool Near(COLORREF a, COLORREF b) {
  return std::abs(int(GetRValue(a)) - int(GetRValue(b))) <= 8 &&
         std::abs(int(GetGValue(a)) - int(GetGValue(b))) <= 8 &&
         std::abs(int(GetBValue(a)) - int(GetBValue(b))) <= 8;
}

class ControlPixels : public Controls {
 protected:
  void SetUp() override {
    Controls::SetUp();
    RedrawWindow(dialog_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    screen_ = GetDC(nullptr);
    ASSERT_TRUE(screen_);
  }
  void TearDown() override {
    ReleaseDC(nullptr, screen_);
    Controls::TearDown();
  }
  COLORREF At(LONG x, LONG y) { return GetPixel(screen_, x, y); }
  RECT Place(int id) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog_, id), &r);
    return r;
  }
  // Pixels in `r` darker than the face: text ink.
  int Ink(const RECT& r) {
    int n = 0;
    for (LONG y = r.top; y < r.bottom; ++y)
      for (LONG x = r.left; x < r.right; ++x)
        if (GetRValue(At(x, y)) < 0x60 && GetGValue(At(x, y)) < 0x60) ++n;
    return n;
  }
  HDC screen_ = nullptr;
};

TEST_F(ControlPixels, DefaultButtonHasTheHeavierFrame) {
  const RECT ok = Place(IDOK), cancel = Place(IDCANCEL);
  const LONG okMid = (ok.top + ok.bottom) / 2, cancelMid = (cancel.top + cancel.bottom) / 2;
  const COLORREF black = GetSysColor(COLOR_3DDKSHADOW);
  EXPECT_TRUE(Near(At(ok.left, okMid), black));
  EXPECT_TRUE(Near(At((ok.left + ok.right) / 2, ok.top), black));
  EXPECT_FALSE(Near(At(cancel.left, cancelMid), black));
  EXPECT_TRUE(Near(At(cancel.right - 1, cancelMid), black));  // the dark outer edge
  EXPECT_TRUE(Near(At(cancel.left + 1, cancelMid), GetSysColor(COLOR_BTNHIGHLIGHT)));
  // Both captions are drawn, and the face around them is the button face.
  EXPECT_GT(Ink(RECT{ok.left + 4, ok.top + 4, ok.right - 4, ok.bottom - 4}), 10);
  EXPECT_GT(Ink(RECT{cancel.left + 4, cancel.top + 4, cancel.right - 4, cancel.bottom - 4}), 10);
  EXPECT_TRUE(Near(At(cancel.left + 4, cancel.top + 4), GetSysColor(COLOR_BTNFACE)));
}

TEST_F(ControlPixels, GroupBoxTextSitsInItsTopEdge) {
  const RECT box = Place(3);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
  // The etched frame: a shadow line over a light one, on the left side and along the top
  // right of the text.
  LONG edge = -1;
  for (LONG y = box.top; y < box.top + 16 && edge < 0; ++y)
    if (Near(At(box.right - 10, y), shadow) && Near(At(box.right - 10, y + 1), light)) edge = y;
  ASSERT_GE(edge, box.top + 3);
  EXPECT_TRUE(Near(At(box.left, (box.top + box.bottom) / 2), shadow));
  EXPECT_TRUE(Near(At(box.left + 1, (box.top + box.bottom) / 2), light));
  EXPECT_TRUE(Near(At(box.left + 2, (box.top + box.bottom) / 2), GetSysColor(COLOR_BTNFACE)))
      << std::hex << At(box.left, (box.top + box.bottom) / 2) << " "
      << At(box.left + 1, (box.top + box.bottom) / 2) << " "
      << At(box.left + 2, (box.top + box.bottom) / 2) << " "
      << At(box.left + 3, (box.top + box.bottom) / 2);
  // The text interrupts the top line.
  EXPECT_GT(Ink(RECT{box.left + 6, box.top, box.left + 50, edge + 8}), 10);
  int lineUnderText = 0;
  for (LONG x = box.left + 9; x < box.left + 30; ++x) lineUnderText += Near(At(x, edge), shadow);
  EXPECT_LT(lineUnderText, 15);
}

TEST_F(ControlPixels, CentredStaticAndDialogFace) {
  const RECT s = Place(4);
  LONG minX = s.right, maxX = s.left;
  for (LONG y = s.top; y < s.bottom; ++y)
    for (LONG x = s.left; x < s.right; ++x)
      if (GetRValue(At(x, y)) < 0x60) minX = std::min(minX, x), maxX = std::max(maxX, x);
  ASSERT_LT(minX, maxX);
  EXPECT_NEAR((minX + maxX) / 2.0, (s.left + s.right) / 2.0, 3);
  RECT client;
  GetClientRect(dialog_, &client);
  POINT p{client.right - 3, client.bottom - 3};
  ClientToScreen(dialog_, &p);
  EXPECT_TRUE(Near(At(p.x, p.y), GetSysColor(COLOR_BTNFACE)));
}

TEST_F(ControlPixels, ComboFieldIsWhiteWithTheSelectedText) {
  Fill(3);
  Combo(CB_SETCURSEL, 2);
  UpdateWindow(combo_);
  const RECT c = Place(kCombo);
  const LONG mid = (c.top + c.bottom) / 2;
  EXPECT_TRUE(Near(At(c.left + 3, c.top + 3), GetSysColor(COLOR_WINDOW)));
  EXPECT_GT(Ink(RECT{c.left + 3, c.top + 3, c.right - 20, c.bottom - 3}), 5);
  EXPECT_TRUE(Near(At(c.right - 10, mid), GetSysColor(COLOR_BTNTEXT)) ||
              Near(At(c.right - 11, mid), GetSysColor(COLOR_BTNTEXT)));  // the arrow
}

}  // namespace
