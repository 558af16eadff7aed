#include <windows.h>

#include "testing/win32_hooks.h"
#include "testing/window_hooks.h"
#include "win32/dialog_internal.h"
#include "win32/message_box.h"
#include "win32/window_internal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kTextId = 0xFFFF;
constexpr int kIconId = 20;

class MessageBoxWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    TestResetWindows();
    TestResetMessageBoxes();
  }
  void TearDown() override {
    TestResetWindows();
    TestResetMessageBoxes();
  }
  static std::string Text(HWND w) {
    char text[256];
    GetWindowTextA(w, text, sizeof text);
    return text;
  }
  static RECT Place(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return r;
  }
};

TEST_F(MessageBoxWindows, ButtonsOfEachStyleInOrder) {
  const struct {
    UINT type;
    std::vector<int> ids;
    int defaultId;
  } cases[] = {
      {MB_OK, {IDOK}, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, IDCANCEL},
      {MB_YESNO, {IDYES, IDNO}, IDYES},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, {IDYES, IDNO, IDCANCEL}, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, {IDABORT, IDRETRY, IDIGNORE}, IDRETRY},
      {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}, IDRETRY},
  };
  for (const auto& c : cases) {
    HWND box = CreateMessageBoxWindow(nullptr, "text", "caption", c.type, true);
    ASSERT_TRUE(box) << c.type;
    std::vector<int> ids;
    LONG lastLeft = -1, top = -1;
    for (HWND child : DialogChildren(box)) {
      const int id = GetDlgCtrlID(child);
      if (id == kTextId || id == kIconId) continue;
      ids.push_back(id);
      const RECT r = Place(child);
      EXPECT_GT(r.left, lastLeft);
      if (top >= 0) {
        EXPECT_EQ(r.top, top);
      }
      lastLeft = r.left, top = r.top;
      const bool isDefault = (GetWindowLongPtrA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
      EXPECT_EQ(isDefault, id == c.defaultId) << c.type << " " << id;
    }
    EXPECT_EQ(ids, c.ids) << c.type;
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), c.defaultId);
    DestroyWindow(box);
  }
  EXPECT_EQ(CreateMessageBoxWindow(nullptr, "t", "c", 7, true), nullptr);
}

TEST_F(MessageBoxWindows, LayoutFollowsTheText) {
  HWND one = CreateMessageBoxWindow(nullptr, "A single line", "Velta", MB_ICONWARNING, false);
  HWND three =
      CreateMessageBoxWindow(nullptr, "First line\nSecond line, longer than the first\nThird",
                             "\xBA\xA7\xC5\xB8 \xBF\xA1\xB7\xAF", MB_ICONERROR, false);
  ASSERT_TRUE(one);
  ASSERT_TRUE(three);
  EXPECT_EQ(Text(one), "Velta");
  EXPECT_EQ(Text(three), "\xBA\xA7\xC5\xB8 \xBF\xA1\xB7\xAF");
  EXPECT_EQ(Text(GetDlgItem(three, kTextId)),
            "First line\nSecond line, longer than the first\nThird");
  EXPECT_EQ(GetFocus() == GetDlgItem(one, IDOK), false);  // nobody answers: no focus taken
  const RECT text1 = Place(GetDlgItem(one, kTextId)), text3 = Place(GetDlgItem(three, kTextId));
  EXPECT_GE(text3.bottom - text3.top, 3 * (text1.bottom - text1.top) - 2);
  EXPECT_GT(text3.right - text3.left, text1.right - text1.left);
  // Icon left of the text; the button under both, centred.
  for (HWND box : {one, three}) {
    const RECT icon = Place(GetDlgItem(box, kIconId)), text = Place(GetDlgItem(box, kTextId));
    const RECT ok = Place(GetDlgItem(box, IDOK));
    RECT client;
    GetClientRect(box, &client);
    POINT origin{0, 0};
    ClientToScreen(box, &origin);
    EXPECT_EQ(icon.right - icon.left, GetSystemMetrics(SM_CXICON));
    EXPECT_LT(icon.right, text.left);
    EXPECT_GT(ok.top, std::max(icon.bottom, text.bottom));
    EXPECT_NEAR(ok.left - origin.x, origin.x + client.right - ok.right, 1);
    EXPECT_LE(text.right, origin.x + client.right);
    EXPECT_LT(ok.bottom, origin.y + client.bottom);
    // Centred on the screen (no owner).
    const RECT w = Place(box);
    EXPECT_NEAR((w.left + w.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((w.top + w.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  }
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(GetDlgItem(three, kIconId), STM_GETICON, 0, 0)),
            LoadIconA(nullptr, IDI_HAND));
  EXPECT_EQ(GetDlgItem(CreateMessageBoxWindow(nullptr, "x", "y", MB_OK, false), kIconId), nullptr);
}

TEST_F(MessageBoxWindows, LongCaptionWidensAShortBox) {
  const char caption[] = "A caption much longer than the text of its box";
  HWND box = CreateMessageBoxWindow(nullptr, "Hi", caption, MB_OK, false);
  ASSERT_TRUE(box);
  HDC dc = GetDC(nullptr);
  SIZE extent{};
  GetTextExtentPoint32A(dc, caption, int(sizeof caption - 1), &extent);
  ReleaseDC(nullptr, dc);
  const RECT w = Place(box);
  EXPECT_GT(w.right - w.left, extent.cx * 3 / 4);  // the caption's own font is a bit smaller
}

// A box no window owns stands over a full-screen (topmost) window; an owned one stacks with
// its owner.
TEST_F(MessageBoxWindows, OnlyABoxWithoutOwnerIsTopmost) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "BoxOwner";
  RegisterClassA(&wc);
  HWND owner = CreateWindowExA(0, "BoxOwner", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
  HWND free = CreateMessageBoxWindow(nullptr, "a", "b", MB_OK, false);
  HWND owned = CreateMessageBoxWindow(owner, "a", "b", MB_OK, false);
  ASSERT_TRUE(free && owned);
  EXPECT_TRUE(GetWindowLongPtrA(free, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(GetWindowLongPtrA(owned, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(MessageBoxWindows, HeadlessBoxIsDrawnAndAnsweredAtOnce) {
  const size_t before = Windows().windows.size();
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "Not enough memory!", "Velta", MB_OKCANCEL | MB_DEFBUTTON2),
            IDCANCEL);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "messagebox: [Velta] Not enough memory!\n");
  EXPECT_EQ(Windows().windows.size(), before);
  ASSERT_EQ(TestMessageBoxes().size(), 1u);
}

// A box that waits runs its own loop: Enter answers the default button, Esc the Cancel button
// (or OK for a lone OK), and a click answers its button.
TEST_F(MessageBoxWindows, WaitingBoxAnswersItsButtons) {
  const struct {
    UINT type;
    UINT key;  // 0: click the second button
    int answer;
  } cases[] = {
      {MB_OKCANCEL | MB_DEFBUTTON2, VK_RETURN, IDCANCEL},
      {MB_OKCANCEL, VK_RETURN, IDOK},
      {MB_OK, VK_ESCAPE, IDOK},
      {MB_YESNOCANCEL, VK_ESCAPE, IDCANCEL},
      {MB_YESNO, 0, IDNO},
  };
  for (const auto& c : cases) {
    HWND box = CreateMessageBoxWindow(nullptr, "Question?", "Velta", c.type, true);
    ASSERT_TRUE(box);
    if (c.key) {
      PostMessageA(GetFocus(), WM_KEYDOWN, c.key, 1);
    } else {
      // Esc does nothing for Yes/No: the click is what answers.
      PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
      PostMessageA(GetDlgItem(box, c.answer), BM_CLICK, 0, 0);
    }
    EXPECT_EQ(RunModalDialog(box, nullptr), c.answer) << c.type;
    EXPECT_FALSE(IsWindow(box));
  }
}

}  // namespace
