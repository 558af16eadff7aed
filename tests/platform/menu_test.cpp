// Menu objects: the program's menus loaded from their templates, items built and queried one by
// one, broken templates, and the class menu as a window's menu bar.
#include "window_recorder.h"

#include "testing/win32_hooks.h"

#include <string>
#include <vector>

using velta_test::Log;
using velta_test::WindowTest;

namespace {

std::string ItemText(HMENU menu, UINT position) {
  char text[128];
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

struct Expected {
  const char* text;  // null: a separator
  UINT id;
};

void ExpectItems(HMENU popup, const std::vector<Expected>& items) {
  ASSERT_EQ(GetMenuItemCount(popup), int(items.size()));
  for (size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i);
    const UINT state = GetMenuState(popup, UINT(i), MF_BYPOSITION);
    if (!items[i].text) {
      EXPECT_TRUE(state & MF_SEPARATOR);
      continue;
    }
    EXPECT_EQ(state, UINT(MF_ENABLED));
    EXPECT_EQ(GetMenuItemID(popup, int(i)), items[i].id);
    EXPECT_EQ(ItemText(popup, UINT(i)), items[i].text);
  }
}

TEST(MenuObjects, ProgramMenusLoadWithTheirDropDowns) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  HMENU main = LoadMenuA(module, MAKEINTRESOURCEA(141));
  ASSERT_NE(main, nullptr);
  ASSERT_EQ(GetMenuItemCount(main), 1);
  EXPECT_EQ(ItemText(main, 0), "&File");
  EXPECT_EQ(GetMenuItemID(main, 0), UINT(-1));
  HMENU file = GetSubMenu(main, 0);
  ExpectItems(file, {{"&Open File...\tCtrl+O", 40012},
                     {nullptr, 0},
                     {"&Go/stop\tEnter", 40016},
                     {"&Single step\tSpace", 40017},
                     {nullptr, 0},
                     {"&About...\tF1", 40015},
                     {"&Change device...\tF2", 40010},
                     {nullptr, 0},
                     {"E&xit\tESC", 40001}});
  EXPECT_EQ(GetMenuState(main, 0, MF_BYPOSITION), UINT(MF_POPUP | (9 << 8)));

  HMENU popup = LoadMenuA(module, MAKEINTRESOURCEA(145));
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(ItemText(popup, 0), "Popup");
  ExpectItems(GetSubMenu(popup, 0), {{"&Go/stop", 40016},
                                     {"&Single step", 40017},
                                     {nullptr, 0},
                                     {"&About...", 40015},
                                     {"&Change device...", 40010},
                                     {nullptr, 0},
                                     {"E&xit", 40001}});
  // Destroying a menu takes its drop-downs with it.
  EXPECT_TRUE(DestroyMenu(main));
  EXPECT_FALSE(IsMenu(file));
  EXPECT_FALSE(DestroyMenu(main));
  EXPECT_TRUE(DestroyMenu(popup));
  EXPECT_EQ(LoadMenuA(module, MAKEINTRESOURCEA(142)), nullptr);
}

TEST(MenuObjects, ItemsAreFoundByCommandInsideDropDownsAndChangeState) {
  HMENU main = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(141));
  char text[8];
  EXPECT_EQ(GetMenuStringA(main, 40001, text, sizeof text, MF_BYCOMMAND), 7);
  EXPECT_STREQ(text, "E&xit\tE");  // cut to the buffer, terminated
  EXPECT_EQ(GetMenuStringA(main, 40001, nullptr, 0, MF_BYCOMMAND), 9);
  EXPECT_EQ(GetMenuStringA(main, 12345, text, sizeof text, MF_BYCOMMAND), 0);
  EXPECT_STREQ(text, "");

  EXPECT_EQ(EnableMenuItem(main, 40010, MF_GRAYED), UINT(MF_ENABLED));
  EXPECT_EQ(GetMenuState(main, 40010, MF_BYCOMMAND), UINT(MF_GRAYED));
  EXPECT_EQ(EnableMenuItem(main, 40010, MF_ENABLED), UINT(MF_GRAYED));
  EXPECT_EQ(CheckMenuItem(main, 40016, MF_CHECKED), DWORD(MF_UNCHECKED));
  EXPECT_EQ(GetMenuState(main, 40016, MF_BYCOMMAND), UINT(MF_CHECKED));
  EXPECT_EQ(EnableMenuItem(main, 12345, MF_GRAYED), UINT(-1));
  EXPECT_EQ(CheckMenuItem(main, 7, MF_BYPOSITION | MF_CHECKED), DWORD(-1));
  EXPECT_EQ(GetMenuState(main, 12345, MF_BYCOMMAND), UINT(-1));
  DestroyMenu(main);
}

TEST(MenuObjects, BuiltMenusRefuseLoopsAndBadHandles) {
  HMENU bar = CreateMenu();
  HMENU popup = CreatePopupMenu();
  ASSERT_TRUE(AppendMenuA(popup, MF_STRING, 5, "&Five"));
  ASSERT_TRUE(AppendMenuA(popup, MF_SEPARATOR, 0, nullptr));
  ASSERT_TRUE(AppendMenuA(popup, MF_STRING | MF_GRAYED, 6, "Six"));
  ASSERT_TRUE(AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "&Menu"));
  EXPECT_EQ(GetSubMenu(bar, 0), popup);
  EXPECT_EQ(GetMenuItemID(popup, 0), 5u);
  EXPECT_EQ(GetMenuItemID(popup, 1), 0u);
  EXPECT_EQ(GetMenuState(popup, 2, MF_BYPOSITION), UINT(MF_GRAYED));
  // A popup sits in one place only, and never inside itself or its own items.
  EXPECT_FALSE(AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "Again"));
  EXPECT_FALSE(AppendMenuA(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(bar), "Loop"));
  EXPECT_FALSE(AppendMenuA(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "Self"));
  EXPECT_FALSE(AppendMenuA(bar, MF_POPUP, 0x1234, "Nothing"));
  // A popup destroyed alone leaves its parent without it.
  EXPECT_TRUE(DestroyMenu(popup));
  EXPECT_EQ(GetMenuItemCount(bar), 0);
  EXPECT_TRUE(DestroyMenu(bar));

  HMENU stale = bar;
  EXPECT_EQ(GetMenuItemCount(stale), -1);
  EXPECT_EQ(GetSubMenu(stale, 0), nullptr);
  EXPECT_EQ(GetMenuItemID(stale, 0), UINT(-1));
  EXPECT_FALSE(AppendMenuA(stale, MF_STRING, 1, "x"));
  EXPECT_EQ(GetSubMenu(nullptr, 0), nullptr);
  EXPECT_EQ(LoadMenuIndirectA(nullptr), nullptr);
}

// The bytes of menu 141, to cut and corrupt.
std::vector<BYTE> MainMenuBytes() {
  HRSRC r = FindResourceA(nullptr, MAKEINTRESOURCEA(141), RT_MENU);
  const auto* p = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, r)));
  return std::vector<BYTE>(p, p + SizeofResource(nullptr, r));
}

TEST(MenuObjects, TemplatesCutShortOrWithoutTheirEndMarkAreRefused) {
  const std::vector<BYTE> whole = MainMenuBytes();
  ASSERT_GT(whole.size(), 8u);
  HMODULE module = reinterpret_cast<HMODULE>(0x00790000);
  for (size_t n = 0; n < whole.size(); ++n) {
    const MODULE_RESOURCE e{RT_MENU, MAKEINTRESOURCEA(1), whole.data(), DWORD(n)};
    ASSERT_TRUE(TestRegisterResources(module, &e, 1));
    EXPECT_EQ(LoadMenuA(module, MAKEINTRESOURCEA(1)), nullptr) << n;
  }
  // Without MF_END on the last item the level runs off the end.
  std::vector<BYTE> unmarked = whole;
  const size_t lastOption = whole.size() - 2 * (std::string("E&xit\tESC").size() + 1) - 4;
  ASSERT_EQ(unmarked[lastOption], MF_END);
  unmarked[lastOption] = 0;
  const MODULE_RESOURCE e{RT_MENU, MAKEINTRESOURCEA(2), unmarked.data(), DWORD(unmarked.size())};
  ASSERT_TRUE(TestRegisterResources(module, &e, 1));
  EXPECT_EQ(LoadMenuA(module, MAKEINTRESOURCEA(2)), nullptr);
  // An extended (version 1) template is not this kind.
  std::vector<BYTE> extended = whole;
  extended[0] = 1;
  EXPECT_EQ(LoadMenuIndirectA(extended.data()), nullptr);
  HMENU fine = LoadMenuIndirectA(whole.data());
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(fine, 0)), 9);
  DestroyMenu(fine);
}

TEST_F(WindowTest, ClassMenuBecomesTheBarAndLeavesA640By480ClientArea) {
  HWND w = CreateMainWindow();
  HMENU bar = GetMenu(w);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(GetMenuItemCount(bar), 1);
  RECT client{};
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  // The bar goes with its window.
  HMENU file = GetSubMenu(bar, 0);
  DestroyWindow(w);
  EXPECT_FALSE(IsMenu(bar));
  EXPECT_FALSE(IsMenu(file));
}

TEST_F(WindowTest, ClassMenuThatCannotLoadLeavesNoBar) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = velta_test::RecordingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszMenuName = "NoSuchMenu";
  wc.lpszClassName = "NoMenuClass";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND w = CreateWindowExA(0, "NoMenuClass", "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                           nullptr, wc.hInstance, nullptr);
  EXPECT_EQ(GetMenu(w), nullptr);
  RECT outer, client;
  GetWindowRect(w, &outer);
  GetClientRect(w, &client);
  EXPECT_EQ(outer.bottom - outer.top - client.bottom,
            2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION));
}

TEST_F(WindowTest, SetMenuChangesTheClientAreaButNotTheWindow) {
  HWND w = CreateMainWindow();
  HMENU bar = GetMenu(w);
  RECT before;
  GetWindowRect(w, &before);
  ASSERT_TRUE(SetMenu(w, nullptr));
  RECT outer, client;
  GetWindowRect(w, &outer);
  GetClientRect(w, &client);
  EXPECT_EQ(outer.bottom - outer.top, before.bottom - before.top);
  EXPECT_EQ(client.bottom, 480 + GetSystemMetrics(SM_CYMENU));
  EXPECT_EQ(GetMenu(w), nullptr);
  EXPECT_TRUE(IsMenu(bar));  // taken off, not destroyed
  ASSERT_TRUE(SetMenu(w, bar));
  GetClientRect(w, &client);
  EXPECT_EQ(client.bottom, 480);
  EXPECT_FALSE(SetMenu(w, reinterpret_cast<HMENU>(0x1234)));
  EXPECT_FALSE(SetMenu(nullptr, bar));
}

}  // namespace
