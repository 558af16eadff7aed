#include <windows.h>

#include "dialog_builder.h"
#include "testing/win32_hooks.h"
#include "testing/window_hooks.h"
#include "win32/dialog_internal.h"
#include "win32/input.h"
#include "win32/window_dc.h"
#include "win32/window_internal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr UINT kStep = WM_USER + 100;

// What the test dialog procedure saw, and what it does on kStep.
struct Seen {
  std::vector<UINT> messages;
  std::vector<WPARAM> commands;
  LPARAM initParam = 0;
  HWND initFocusControl = nullptr;
  std::function<void(HWND)> step;
  INT_PTR initAnswer = TRUE;
  bool postStep = true;
};
Seen* g_seen = nullptr;

INT_PTR CALLBACK RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!g_seen) return FALSE;
  g_seen->messages.push_back(message);
  switch (message) {
    case WM_INITDIALOG:
      g_seen->initParam = lParam;
      g_seen->initFocusControl = reinterpret_cast<HWND>(wParam);
      if (g_seen->postStep) PostMessageA(dialog, kStep, 0, 0);
      return g_seen->initAnswer;
    case WM_COMMAND:
      g_seen->commands.push_back(wParam);
      return TRUE;
    case kStep:
      if (g_seen->step) g_seen->step(dialog);
      return TRUE;
  }
  return FALSE;
}

LRESULT CALLBACK OwnerProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(w, m, wp, lp);
}

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    TestResetWindows();
    TestResetMessageBoxes();
    TestSilenceMessageBoxes(true);
    g_seen = &seen_;
    WNDCLASSA wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = "DialogTestOwner";
    RegisterClassA(&wc);
    owner_ = CreateWindowExA(0, "DialogTestOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50,
                             40, 640, 480, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner_);
  }
  void TearDown() override {
    g_seen = nullptr;
    TestResetWindows();
    TestResetMessageBoxes();
  }
  static size_t WindowCount() { return Windows().windows.size(); }

  Seen seen_;
  HWND owner_ = nullptr;
};

TEST(DialogTemplate, SelectionLayoutItemByItem) {
  const TemplateBuilder t = SelectionLikeTemplate();
  DialogSpec shape;
  ASSERT_EQ(ParseDialogTemplate(t.get(), t.bytes().size(), shape), TemplateError::None);
  EXPECT_EQ(shape.style, 0x90C80BC4u);
  EXPECT_EQ(shape.exStyle, 0u);
  EXPECT_EQ(shape.x, 0);
  EXPECT_EQ(shape.y, 0);
  EXPECT_EQ(shape.cx, 179);
  EXPECT_EQ(shape.cy, 84);
  EXPECT_FALSE(shape.menu.present);
  EXPECT_FALSE(shape.windowClass.present);
  EXPECT_EQ(shape.title, "Select New Direct3D Driver");
  EXPECT_TRUE(shape.hasFont);
  EXPECT_EQ(shape.pointSize, 8);
  EXPECT_EQ(shape.faceName, "Arial");
  struct Row {
    const char* cls;
    const char* text;
    WORD id;
    short x, y, cx, cy;
    DWORD style;
  };
  const Row rows[] = {
      {"BUTTON", "OK", 1, 65, 65, 51, 14, 0x50010000},
      {"BUTTON", "Cancel", 2, 123, 65, 51, 14, 0x50010000},
      {"COMBOBOX", "", 1000, 36, 5, 138, 45, 0x50210003},
      {"COMBOBOX", "", 1001, 36, 24, 138, 45, 0x50210003},
      {"COMBOBOX", "", 1002, 36, 44, 138, 45, 0x50210003},
      {"STATIC", "Driver:", 0xFFFF, 5, 5, 22, 13, 0x50000000},
      {"STATIC", "Device:", 0xFFFF, 5, 24, 25, 13, 0x50000000},
      {"STATIC", "Mode:", 0xFFFF, 5, 44, 22, 13, 0x50000000},
  };
  ASSERT_EQ(shape.items.size(), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    const DialogItemSpec& item = shape.items[i];
    const Row& row = rows[i];
    EXPECT_EQ(item.className, row.cls) << i;
    EXPECT_FALSE(item.text.isOrdinal) << i;
    EXPECT_EQ(item.text.text, row.text) << i;
    EXPECT_EQ(item.id, row.id) << i;
    EXPECT_EQ(item.x, row.x) << i;
    EXPECT_EQ(item.y, row.y) << i;
    EXPECT_EQ(item.cx, row.cx) << i;
    EXPECT_EQ(item.cy, row.cy) << i;
    EXPECT_EQ(item.style, row.style) << i;
    EXPECT_EQ(item.exStyle, 0u) << i;
    EXPECT_TRUE(item.creationData.empty()) << i;
  }
}

TEST(DialogTemplate, AtomsOrdinalsKoreanTextAndCreationData) {
  TemplateBuilder t;
  t.Header(WS_POPUP | WS_CAPTION, 3, 1, 2, 100, 50, "\xBE\xC8\xB3\xE7");  // no DS_SETFONT
  t.Item(WS_CHILD | SS_ICON, 5, 5, 20, 20, 7, nullptr, nullptr, 0x0082, 101);
  t.Item(WS_CHILD | BS_DEFPUSHBUTTON, 5, 30, 40, 14, IDOK, nullptr, "OK", 0x0080, 0,
         {1, 2, 3, 4, 5, 6});
  t.Item(WS_CHILD, 50, 5, 40, 12, 9, "MyClass", "after");
  DialogSpec shape;
  ASSERT_EQ(ParseDialogTemplate(t.get(), t.bytes().size(), shape), TemplateError::None);
  EXPECT_EQ(shape.title, "\xBE\xC8\xB3\xE7");
  EXPECT_FALSE(shape.hasFont);
  ASSERT_EQ(shape.items.size(), 3u);
  EXPECT_EQ(shape.items[0].className, "STATIC");
  EXPECT_TRUE(shape.items[0].text.isOrdinal);
  EXPECT_EQ(shape.items[0].text.ordinal, 101);
  EXPECT_EQ(shape.items[1].className, "BUTTON");
  EXPECT_EQ(shape.items[1].creationData, (std::vector<BYTE>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(shape.items[2].className, "MyClass");
  EXPECT_EQ(shape.items[2].text.text, "after");
  EXPECT_EQ(shape.items[2].id, 9);
}

// A creation-data size of 2 counts only itself: no data follows.
TEST(DialogTemplate, CreationDataOfItsSizeWordAlone) {
  TemplateBuilder t;
  t.Header(WS_POPUP, 2, 0, 0, 10, 10, "x");
  t.Item(WS_CHILD, 0, 0, 5, 5, 1, "BUTTON", "a");
  t.bytes()[t.bytes().size() - 2] = 2;
  t.Item(WS_CHILD, 0, 0, 5, 5, 2, "STATIC", "b");
  DialogSpec shape;
  ASSERT_EQ(ParseDialogTemplate(t.get(), t.bytes().size(), shape), TemplateError::None);
  ASSERT_EQ(shape.items.size(), 2u);
  EXPECT_TRUE(shape.items[0].creationData.empty());
  EXPECT_EQ(shape.items[1].className, "STATIC");
}

// Every cut short of the whole template is refused, and no byte past the cut is read (the
// copy is exactly as long as the cut, for the address sanitizer to watch).
TEST(DialogTemplate, EveryTruncationIsRefused) {
  const std::vector<BYTE> full = SelectionLikeTemplate().bytes();
  for (size_t cut = 0; cut < full.size(); ++cut) {
    std::vector<BYTE> part(full.begin(), full.begin() + ptrdiff_t(cut));
    DialogSpec shape;
    EXPECT_NE(ParseDialogTemplate(part.data(), part.size(), shape), TemplateError::None) << cut;
  }
  DialogSpec shape;
  EXPECT_EQ(ParseDialogTemplate(full.data(), full.size(), shape), TemplateError::None);
}

TEST(DialogTemplate, RefusedShapes) {
  TemplateBuilder extended;
  extended.Word(1), extended.Word(0xFFFF);
  extended.bytes().resize(64, 0);

  TemplateBuilder unknownAtom;
  unknownAtom.Header(WS_POPUP, 1, 0, 0, 10, 10, "x");
  unknownAtom.Item(WS_CHILD, 0, 0, 5, 5, 1, nullptr, "a", 0x0090);

  TemplateBuilder ordinalTitle;
  ordinalTitle.Dword(WS_POPUP), ordinalTitle.Dword(0), ordinalTitle.Word(0);
  for (int i = 0; i < 4; ++i) ordinalTitle.Short(0);
  ordinalTitle.Word(0), ordinalTitle.Word(0), ordinalTitle.Word(0xFFFF), ordinalTitle.Word(3);

  TemplateBuilder oddCreation;
  oddCreation.Header(WS_POPUP, 1, 0, 0, 10, 10, "x");
  oddCreation.Item(WS_CHILD, 0, 0, 5, 5, 1, "BUTTON", "a");
  oddCreation.bytes().back() = 0, oddCreation.bytes()[oddCreation.bytes().size() - 2] = 1;

  TemplateBuilder emptyClass;
  emptyClass.Header(WS_POPUP, 1, 0, 0, 10, 10, "x");
  emptyClass.Item(WS_CHILD, 0, 0, 5, 5, 1, "", "a");

  const struct {
    const char* name;
    const TemplateBuilder& t;
    TemplateError error;
  } cases[] = {
      {"extended", extended, TemplateError::Extended},
      {"unknown atom", unknownAtom, TemplateError::BadClass},
      {"ordinal title", ordinalTitle, TemplateError::BadClass},
      {"creation size 1", oddCreation, TemplateError::Truncated},
      {"empty class", emptyClass, TemplateError::BadClass},
  };
  for (const auto& c : cases) {
    DialogSpec shape;
    EXPECT_EQ(ParseDialogTemplate(c.t.get(), c.t.bytes().size(), shape), c.error) << c.name;
  }
}

TEST_F(Dialogs, MalformedTemplatesReturnMinusOneAndLeaveNoWindow) {
  const std::vector<BYTE> full = SelectionLikeTemplate().bytes();
  const size_t before = WindowCount();
  for (size_t cut : {size_t(0), size_t(17), size_t(60), full.size() / 2, full.size() - 1}) {
    std::vector<BYTE> part(full.begin(), full.begin() + ptrdiff_t(cut));
    EXPECT_EQ(DialogBoxFromBytes(nullptr, part.data(), part.size(), owner_, RecordingProc, 0), -1)
        << cut;
  }
  TemplateBuilder extended;
  extended.Word(1), extended.Word(0xFFFF);
  extended.bytes().resize(64, 0);
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, extended.get(), owner_, RecordingProc, 0), -1);
  // Parsed, but a class nobody registered: the dialog is made and taken down again.
  TemplateBuilder unknown;
  unknown.Header(WS_POPUP | DS_SETFONT, 2, 0, 0, 50, 50, "x", 8, "Arial");
  unknown.Item(WS_CHILD | WS_VISIBLE, 0, 0, 20, 10, IDOK, "BUTTON", "OK");
  unknown.Item(WS_CHILD | WS_VISIBLE, 0, 20, 20, 10, 5, "NoSuchClass", "");
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, unknown.get(), owner_, RecordingProc, 0), -1);
  EXPECT_EQ(WindowCount(), before);
  EXPECT_EQ(std::count(seen_.messages.begin(), seen_.messages.end(), UINT(WM_INITDIALOG)), 0);
  EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(Dialogs, ModalRunInitParamFocusOwnerAndResult) {
  HWND dialogSeen = nullptr;
  bool ownerEnabledInside = true, visibleInside = false, activeInside = false;
  int focusInside = 0, initFocusId = 0;
  seen_.step = [&](HWND dialog) {
    dialogSeen = dialog;
    ownerEnabledInside = IsWindowEnabled(owner_);
    visibleInside = IsWindowVisible(dialog);
    activeInside = GetActiveWindow() == dialog;
    focusInside = GetDlgCtrlID(GetFocus());
    initFocusId = GetDlgCtrlID(seen_.initFocusControl);
    EndDialog(dialog, 42);
  };
  const TemplateBuilder t = SelectionLikeTemplate();
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, t.get(), owner_, RecordingProc, 0x1234), 42);
  EXPECT_EQ(seen_.initParam, 0x1234);
  ASSERT_TRUE(dialogSeen);
  EXPECT_FALSE(IsWindow(dialogSeen));
  EXPECT_FALSE(ownerEnabledInside);
  EXPECT_TRUE(visibleInside);
  EXPECT_TRUE(activeInside);
  // The first tab stop is the OK button: WM_INITDIALOG names it and it gets the focus.
  EXPECT_EQ(initFocusId, IDOK);
  EXPECT_EQ(focusInside, IDOK);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_EQ(GetActiveWindow(), owner_);
  EXPECT_EQ(seen_.messages.front(), UINT(WM_INITDIALOG));  // nothing of creation before it
}

TEST_F(Dialogs, InitDialogFalseKeepsTheFocusTheProcedureChose) {
  int focusInside = 0;
  seen_.initAnswer = FALSE;
  seen_.step = [&](HWND dialog) {
    focusInside = GetDlgCtrlID(GetFocus());
    EndDialog(dialog, 7);
  };
  const TemplateBuilder t = SelectionLikeTemplate();
  struct Chooser {
    static INT_PTR CALLBACK Proc(HWND d, UINT m, WPARAM w, LPARAM l) {
      if (m == WM_INITDIALOG) SetFocus(GetDlgItem(d, 1001));
      return RecordingProc(d, m, w, l);
    }
  };
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, t.get(), owner_, Chooser::Proc, 0), 7);
  EXPECT_EQ(focusInside, 1001);
}

TEST_F(Dialogs, QuitMessageEndsTheLoopAndIsPostedAgain) {
  seen_.step = [](HWND) { PostQuitMessage(3); };
  const TemplateBuilder t = SelectionLikeTemplate();
  const size_t before = WindowCount();
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, t.get(), owner_, RecordingProc, 0), 0);
  EXPECT_EQ(WindowCount(), before);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(msg.wParam, WPARAM(3));
}

TEST_F(Dialogs, DestroyedOwnerEndsTheLoop) {
  seen_.step = [this](HWND) { DestroyWindow(owner_); };
  const TemplateBuilder t = SelectionLikeTemplate();
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, t.get(), owner_, RecordingProc, 0), 0);
  EXPECT_EQ(WindowCount(), 0u);
}

LRESULT CALLBACK OwnDialogClassProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return DefDlgProcA(w, m, wp, lp);
}

// A template may name the dialog's class: one that keeps the dialog bytes and passes messages
// to DefDlgProcA works; a class without them (a control's) is refused.
TEST_F(Dialogs, TemplateClassMustBeADialogClass) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = OwnDialogClassProc;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.lpszClassName = "OwnDialog";
  ASSERT_TRUE(RegisterClassA(&wc));
  auto build = [](const char* cls) {
    TemplateBuilder t;
    t.Dword(WS_POPUP | WS_CAPTION), t.Dword(0), t.Word(1);
    for (int i = 0; i < 4; ++i) t.Short(20);
    t.Word(0), t.Text(cls), t.Text("own");
    t.Item(WS_CHILD | WS_VISIBLE | WS_TABSTOP, 2, 2, 10, 10, IDOK, "BUTTON", "OK");
    return t;
  };
  seen_.step = [](HWND dialog) {
    char cls[32] = "";
    GetWindowTextA(dialog, cls, sizeof cls);
    EndDialog(dialog, lstrcmpiA(cls, "own") == 0 ? 9 : 1);
  };
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, build("OwnDialog").get(), owner_, RecordingProc, 0),
            9);
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, build("BUTTON").get(), owner_, RecordingProc, 0), -1);
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, build("Nowhere").get(), owner_, RecordingProc, 0), -1);
  EXPECT_EQ(WindowCount(), 1u);
}

TEST_F(Dialogs, EndDialogDuringInitNeverShows) {
  struct Ender {
    static INT_PTR CALLBACK Proc(HWND d, UINT m, WPARAM, LPARAM) {
      if (m == WM_INITDIALOG) EndDialog(d, 5);
      if (m == WM_SHOWWINDOW) ADD_FAILURE() << "shown";
      return FALSE;
    }
  };
  const TemplateBuilder t = SelectionLikeTemplate();
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, t.get(), nullptr, Ender::Proc, 0), 5);
  EXPECT_EQ(WindowCount(), 1u);
}

TEST_F(Dialogs, DialogUnitsFollowTheTemplateFont) {
  seen_.postStep = false;
  const TemplateBuilder t = SelectionLikeTemplate();
  HWND dialog = CreateDialogIndirectParamA(nullptr, t.get(), owner_, RecordingProc, 0);
  ASSERT_TRUE(dialog);
  RECT unit{0, 0, 4, 8};
  ASSERT_TRUE(MapDialogRect(dialog, &unit));
  EXPECT_GE(unit.right, 4);
  EXPECT_LE(unit.right, 10);
  EXPECT_GE(unit.bottom, 10);
  EXPECT_LE(unit.bottom, 20);
  RECT client;
  GetClientRect(dialog, &client);
  RECT expected{0, 0, 179, 84};
  MapDialogRect(dialog, &expected);
  EXPECT_EQ(client.right, expected.right);
  EXPECT_EQ(client.bottom, expected.bottom);
  // The Cancel button at 123, 65, 51 x 14 units.
  RECT cancel;
  GetWindowRect(GetDlgItem(dialog, IDCANCEL), &cancel);
  POINT origin{0, 0};
  ClientToScreen(dialog, &origin);
  RECT units{123, 65, 123 + 51, 65 + 14};
  MapDialogRect(dialog, &units);
  EXPECT_EQ(cancel.left - origin.x, units.left);
  EXPECT_EQ(cancel.top - origin.y, units.top);
  EXPECT_EQ(cancel.right - cancel.left, units.right - units.left);
  // DS_CENTER: centred over the owner.
  RECT d, o;
  GetWindowRect(dialog, &d);
  GetWindowRect(owner_, &o);
  EXPECT_NEAR((d.left + d.right) / 2, (o.left + o.right) / 2, 1);
  EXPECT_NEAR((d.top + d.bottom) / 2, (o.top + o.bottom) / 2, 1);
  EXPECT_EQ(GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, WS_EX_DLGMODALFRAME);
  char title[64];
  GetWindowTextA(dialog, title, sizeof title);
  EXPECT_STREQ(title, "Select New Direct3D Driver");
  DestroyWindow(dialog);
}

// Tab order, Enter and Esc through IsDialogMessageA on a modeless dialog.
class DialogKeys : public Dialogs {
 protected:
  void SetUp() override {
    Dialogs::SetUp();
    seen_.postStep = false;
    dialog_ = CreateDialogIndirectParamA(nullptr, SelectionLikeTemplate().get(), owner_,
                                         RecordingProc, 0);
    ASSERT_TRUE(dialog_);
    ShowWindow(dialog_, SW_SHOW);
  }
  void Key(UINT vk, bool shift = false) {
    Windows().keys[VK_SHIFT] = shift ? 0x80 : 0;
    MSG msg{GetFocus(), WM_KEYDOWN, vk, 1, 0, {}};
    EXPECT_TRUE(IsDialogMessageA(dialog_, &msg));
    Windows().keys[VK_SHIFT] = 0;
  }
  HWND dialog_ = nullptr;
};

TEST_F(DialogKeys, TabVisitsTheTabStopsInOrderAndWraps) {
  ASSERT_EQ(GetDlgCtrlID(GetFocus()), IDOK);
  std::vector<int> forward;
  for (int i = 0; i < 6; ++i) {
    Key(VK_TAB);
    forward.push_back(GetDlgCtrlID(GetFocus()));
  }
  EXPECT_EQ(forward, (std::vector<int>{IDCANCEL, 1000, 1001, 1002, IDOK, IDCANCEL}));
  std::vector<int> back;
  for (int i = 0; i < 3; ++i) {
    Key(VK_TAB, true);
    back.push_back(GetDlgCtrlID(GetFocus()));
  }
  EXPECT_EQ(back, (std::vector<int>{IDOK, 1002, 1001}));
  // A disabled control is skipped.
  EnableWindow(GetDlgItem(dialog_, 1002), FALSE);
  Key(VK_TAB);
  EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDOK);
}

TEST_F(DialogKeys, EnterPressesTheDefaultButtonAndEscCancels) {
  const struct {
    int focus;
    UINT key;
    WPARAM command;
  } cases[] = {
      {IDOK, VK_RETURN, MAKEWPARAM(IDOK, BN_CLICKED)},
      {IDCANCEL, VK_RETURN, MAKEWPARAM(IDCANCEL, BN_CLICKED)},  // the focused push button
      {1001, VK_RETURN, MAKEWPARAM(IDOK, BN_CLICKED)},          // no default: IDOK
      {1001, VK_ESCAPE, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
      {IDOK, VK_ESCAPE, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
  };
  for (const auto& c : cases) {
    SetFocus(GetDlgItem(dialog_, c.focus));
    seen_.commands.clear();
    Key(c.key);
    EXPECT_EQ(seen_.commands, (std::vector<WPARAM>{c.command})) << c.focus << " " << c.key;
  }
  // With a default set, Enter on a control that is no button presses it.
  SendMessageA(dialog_, DM_SETDEFID, IDCANCEL, 0);
  EXPECT_EQ(SendMessageA(dialog_, DM_GETDEFID, 0, 0), MAKELONG(IDCANCEL, DC_HASDEFID));
  EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(dialog_, IDCANCEL), GWL_STYLE) & BS_TYPEMASK,
            BS_DEFPUSHBUTTON);
  SetFocus(GetDlgItem(dialog_, 1000));
  seen_.commands.clear();
  Key(VK_RETURN);
  EXPECT_EQ(seen_.commands, (std::vector<WPARAM>{MAKEWPARAM(IDCANCEL, BN_CLICKED)}));
  // A disabled Cancel button: Esc does nothing.
  EnableWindow(GetDlgItem(dialog_, IDCANCEL), FALSE);
  seen_.commands.clear();
  Key(VK_ESCAPE);
  EXPECT_TRUE(seen_.commands.empty());
}

TEST_F(DialogKeys, MessagesOfOtherWindowsAreNotTheDialogs) {
  MSG msg{owner_, WM_KEYDOWN, VK_TAB, 1, 0, {}};
  EXPECT_FALSE(IsDialogMessageA(dialog_, &msg));
  EXPECT_FALSE(IsDialogMessageA(dialog_, nullptr));
  EXPECT_FALSE(IsDialogMessageA(nullptr, &msg));
}

TEST_F(DialogKeys, CloseAsksForCancelAndItemCallsReachControls) {
  SendMessageA(dialog_, WM_CLOSE, 0, 0);
  MSG msg;
  while (PeekMessageA(&msg, dialog_, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  ASSERT_FALSE(seen_.commands.empty());
  EXPECT_EQ(seen_.commands.back(), MAKEWPARAM(IDCANCEL, BN_CLICKED));

  EXPECT_EQ(GetDlgCtrlID(GetDlgItem(dialog_, 1002)), 1002);
  EXPECT_EQ(GetDlgItem(dialog_, 4321), nullptr);
  EXPECT_EQ(SendDlgItemMessageA(dialog_, 1000, CB_ADDSTRING, 0, LPARAM("a")), 0);
  EXPECT_EQ(SendDlgItemMessageA(dialog_, 1000, CB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(SendDlgItemMessageA(dialog_, 4321, CB_GETCOUNT, 0, 0), 0);
  EXPECT_TRUE(SetDlgItemTextA(dialog_, IDOK, "Fine"));
  char text[16];
  EXPECT_EQ(GetDlgItemTextA(dialog_, IDOK, text, sizeof text), 4u);
  EXPECT_STREQ(text, "Fine");
  EXPECT_EQ(GetDlgItemTextA(dialog_, 4321, text, sizeof text), 0u);
  EXPECT_STREQ(text, "");
}

// The close box answers HTCLOSE, shows itself pushed while held, and a release on it is
// SC_CLOSE, which reaches the dialog as IDCANCEL.
TEST_F(DialogKeys, TheCloseBoxCancels) {
  auto pump = [] {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  };
  RECT box, outer;
  ASSERT_TRUE(CaptionCloseBox(dialog_, box));
  GetWindowRect(dialog_, &outer);
  const POINT on{outer.left + (box.left + box.right) / 2, outer.top + (box.top + box.bottom) / 2};
  EXPECT_EQ(SendMessageA(dialog_, WM_NCHITTEST, 0, MAKELPARAM(on.x, on.y)), HTCLOSE);
  EXPECT_EQ(SendMessageA(dialog_, WM_NCHITTEST, 0, MAKELPARAM(on.x - 40, on.y)), HTCAPTION);
  pump();
  HDC dc = GetWindowDC(dialog_);
  auto corner = [&] { return GetPixel(dc, box.left, box.top); };
  const COLORREF raised = corner();
  seen_.commands.clear();
  // Pushed while held on it, out when the mouse leaves: a release off it does nothing.
  InputMouseButton(MouseButton::Left, true, on.x, on.y);
  pump();
  EXPECT_NE(corner(), raised);
  InputMouseMove(on.x - 40, on.y);
  pump();
  EXPECT_EQ(corner(), raised);
  InputMouseButton(MouseButton::Left, false, on.x - 40, on.y);
  pump();
  EXPECT_TRUE(seen_.commands.empty());
  EXPECT_EQ(GetCapture(), nullptr);
  InputMouseButton(MouseButton::Left, true, on.x, on.y);
  InputMouseButton(MouseButton::Left, false, on.x, on.y);
  pump();
  EXPECT_EQ(corner(), raised);
  EXPECT_EQ(seen_.commands, (std::vector<WPARAM>{MAKEWPARAM(IDCANCEL, BN_CLICKED)}));
  ReleaseDC(dialog_, dc);
}

// A press on the caption drags the dialog, also when the moves were queued before the press
// was seen; the cursor's own place counts, kept on the screen. The release ends it.
TEST_F(DialogKeys, TheCaptionDragsTheDialog) {
  auto pump = [] {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  };
  RECT start, r;
  GetWindowRect(dialog_, &start);
  const POINT grip{start.left + 30, start.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 2};
  ASSERT_EQ(SendMessageA(dialog_, WM_NCHITTEST, 0, MAKELPARAM(grip.x, grip.y)), HTCAPTION);
  pump();
  InputMouseButton(MouseButton::Left, true, grip.x, grip.y);
  InputMouseMove(grip.x + 30, grip.y + 20);
  InputMouseMove(grip.x + 50, grip.y + 40);
  pump();
  GetWindowRect(dialog_, &r);
  EXPECT_TRUE(r.left == start.left + 50 && r.top == start.top + 40) << r.left << "," << r.top;
  InputMouseMove(-500, -500);  // past the screen's corner: the cursor stops there
  pump();
  GetWindowRect(dialog_, &r);
  EXPECT_TRUE(r.left == start.left - grip.x && r.top == start.top - grip.y)
      << r.left << "," << r.top;
  InputMouseButton(MouseButton::Left, false, 0, 0);
  InputMouseMove(200, 200);
  pump();
  RECT after;
  GetWindowRect(dialog_, &after);
  EXPECT_TRUE(after.left == r.left && after.top == r.top);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(after.right - after.left, start.right - start.left);
}

}  // namespace
