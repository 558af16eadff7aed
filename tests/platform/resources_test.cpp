// The program's own resources as its module carries them, read byte by byte in their Win32
// layouts: the two menus, the accelerator table, the About box and the icon; and the lookup
// calls on what is there and what is not.
#include <windows.h>

#include "testing/win32_hooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<BYTE> ResourceBytes(LPCSTR type, WORD id) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  if (!found) return {};
  const auto* p = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  if (!p) return {};
  return std::vector<BYTE>(p, p + SizeofResource(module, found));
}

// Reads little-endian words, dwords and UTF-16 texts, failing the test past the end.
class Reader {
 public:
  explicit Reader(const std::vector<BYTE>& bytes) : b_(bytes) {}
  WORD Word() {
    if (at_ + 2 > b_.size()) {
      ADD_FAILURE() << "read past the end at " << at_;
      at_ = b_.size();
      return 0;
    }
    const WORD v = WORD(b_[at_] | (b_[at_ + 1] << 8));
    at_ += 2;
    return v;
  }
  DWORD Dword() {
    const DWORD lo = Word();
    return lo | (DWORD(Word()) << 16);
  }
  std::string Text() {
    std::string s;
    while (WORD c = Word()) s.push_back(char(c));
    return s;
  }
  void AlignDword() { at_ = (at_ + 3) & ~size_t(3); }
  size_t At() const { return at_; }

 private:
  const std::vector<BYTE>& b_;
  size_t at_ = 0;
};

struct MenuRow {
  const char* text;  // null: a separator
  WORD id;
};

struct MenuCase {
  WORD id;
  const char* popup;
  std::vector<MenuRow> items;
};

const MenuCase kMenus[] = {
    {141,
     "&File",
     {{"&Open File...\tCtrl+O", 40012},
      {nullptr, 0},
      {"&Go/stop\tEnter", 40016},
      {"&Single step\tSpace", 40017},
      {nullptr, 0},
      {"&About...\tF1", 40015},
      {"&Change device...\tF2", 40010},
      {nullptr, 0},
      {"E&xit\tESC", 40001}}},
    {145,
     "Popup",
     {{"&Go/stop", 40016},
      {"&Single step", 40017},
      {nullptr, 0},
      {"&About...", 40015},
      {"&Change device...", 40010},
      {nullptr, 0},
      {"E&xit", 40001}}},
};

class MenuResource : public ::testing::TestWithParam<MenuCase> {};

TEST_P(MenuResource, TemplateHoldsOneDropDownWithTheItemsInOrder) {
  const MenuCase& c = GetParam();
  const std::vector<BYTE> bytes = ResourceBytes(RT_MENU, c.id);
  ASSERT_FALSE(bytes.empty());
  Reader r(bytes);
  EXPECT_EQ(r.Word(), 0);  // version
  EXPECT_EQ(r.Word(), 0);  // offset
  EXPECT_EQ(r.Word(), MF_POPUP | MF_END);
  EXPECT_EQ(r.Text(), c.popup);
  for (size_t i = 0; i < c.items.size(); ++i) {
    SCOPED_TRACE(i);
    const WORD end = i + 1 == c.items.size() ? MF_END : 0;
    EXPECT_EQ(r.Word(), end);
    EXPECT_EQ(r.Word(), c.items[i].id);
    EXPECT_EQ(r.Text(), c.items[i].text ? c.items[i].text : "");
  }
  EXPECT_EQ(r.At(), bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Menus, MenuResource, ::testing::ValuesIn(kMenus));

TEST(AcceleratorResource, TableHoldsTheKeysOfTheCommands) {
  struct Row {
    WORD flags;
    WORD key;
    WORD id;
  };
  constexpr WORD V = FVIRTKEY | FNOINVERT;
  const Row rows[] = {{V | FCONTROL, 'O', 40012}, {V, VK_RETURN, 40016},
                      {V, VK_SPACE, 40017},       {V, VK_F1, 40015},
                      {V, VK_F2, 40010},          {V | FALT, VK_RETURN, 40011},
                      {V, VK_ESCAPE, 40001},      {V | FALT, 'X', 40001}};
  const std::vector<BYTE> bytes = ResourceBytes(RT_ACCELERATOR, 113);
  ASSERT_EQ(bytes.size(), std::size(rows) * 8);
  Reader r(bytes);
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    const WORD end = i + 1 == std::size(rows) ? 0x80 : 0;
    EXPECT_EQ(r.Word(), rows[i].flags | end);
    EXPECT_EQ(r.Word(), rows[i].key);
    EXPECT_EQ(r.Word(), rows[i].id);
    EXPECT_EQ(r.Word(), 0);
  }
}

TEST(DialogResource, AboutBoxIsATemplateWithTheControlsInOrder) {
  struct Control {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    WORD atom;
    const char* text;  // null: the icon ordinal 101
  };
  constexpr DWORD C = WS_CHILD | WS_VISIBLE;
  constexpr WORD S = 0xFFFF;
  const Control controls[] = {
      {C | WS_TABSTOP | BS_DEFPUSHBUTTON, 115, 90, 40, 14, 1, 0x80, "OK"},
      {C | SS_ICON, 5, 5, 0, 0, S, 0x82, nullptr},  // sized by its icon
      {C | WS_GROUP | SS_LEFT, 35, 5, 111, 8, S, 0x82, "D3D Character Demo"},
      {C | WS_GROUP | SS_LEFT, 35, 15, 127, 8, S, 0x82, "Velta viewer"},
      {C | BS_GROUPBOX, 5, 30, 160, 55, S, 0x80, "Usage"},
      {C | WS_GROUP | SS_CENTER, 10, 40, 45, 8, S, 0x82, "<F1>"},
      {C | WS_GROUP | SS_LEFT, 60, 40, 20, 8, S, 0x82, "About"},
      {C | WS_GROUP | SS_CENTER, 10, 50, 45, 8, S, 0x82, "<F2>"},
      {C | WS_GROUP | SS_LEFT, 60, 50, 97, 8, S, 0x82, "Select Driver / Device / Mode"},
      {C | WS_GROUP | SS_CENTER, 10, 60, 45, 8, S, 0x82, "<Alt+Enter>"},
      {C | WS_GROUP | SS_LEFT, 60, 60, 98, 8, S, 0x82, "Toggle Fullscreen / Windowed"},
      {C | WS_GROUP | SS_CENTER, 10, 70, 45, 8, S, 0x82, "<ESC>"},
      {C | WS_GROUP | SS_LEFT, 60, 70, 12, 8, S, 0x82, "Exit"},
  };
  const std::vector<BYTE> bytes = ResourceBytes(RT_DIALOG, 142);
  ASSERT_FALSE(bytes.empty());
  Reader r(bytes);
  EXPECT_EQ(r.Dword(), DWORD(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU |
                             DS_SETFONT));
  EXPECT_EQ(r.Dword(), 0u);
  EXPECT_EQ(r.Word(), std::size(controls));
  EXPECT_EQ(r.Word(), 0);  // x, y: centred
  EXPECT_EQ(r.Word(), 0);
  EXPECT_EQ(r.Word(), 172);
  EXPECT_EQ(r.Word(), 111);
  EXPECT_EQ(r.Word(), 0);  // no menu
  EXPECT_EQ(r.Word(), 0);  // the dialog class
  EXPECT_EQ(r.Text(), "About");
  EXPECT_EQ(r.Word(), 8);
  EXPECT_EQ(r.Text(), "MS Sans Serif");
  for (size_t i = 0; i < std::size(controls); ++i) {
    SCOPED_TRACE(i);
    const Control& c = controls[i];
    r.AlignDword();
    EXPECT_EQ(r.Dword(), c.style);
    EXPECT_EQ(r.Dword(), 0u);
    EXPECT_EQ(SHORT(r.Word()), c.x);
    EXPECT_EQ(SHORT(r.Word()), c.y);
    EXPECT_EQ(SHORT(r.Word()), c.cx);
    EXPECT_EQ(SHORT(r.Word()), c.cy);
    EXPECT_EQ(r.Word(), c.id);
    EXPECT_EQ(r.Word(), 0xFFFF);
    EXPECT_EQ(r.Word(), c.atom);
    if (c.text) {
      EXPECT_EQ(r.Text(), c.text);
    } else {
      EXPECT_EQ(r.Word(), 0xFFFF);
      EXPECT_EQ(r.Word(), 101);
    }
    EXPECT_EQ(r.Word(), 0);  // creation data
  }
  EXPECT_EQ(r.At(), bytes.size());
}

TEST(IconResource, GroupNamesOne32BitImageWhoseMaskFollowsItsAlpha) {
  const std::vector<BYTE> group = ResourceBytes(RT_GROUP_ICON, 101);
  ASSERT_EQ(group.size(), 6u + 14u);
  Reader g(group);
  EXPECT_EQ(g.Word(), 0);
  EXPECT_EQ(g.Word(), 1);
  EXPECT_EQ(g.Word(), 1);
  EXPECT_EQ(g.Word(), 0x2020);  // 32 x 32
  EXPECT_EQ(g.Word(), 0);
  EXPECT_EQ(g.Word(), 1);
  EXPECT_EQ(g.Word(), 32);
  const DWORD size = g.Dword();
  const WORD imageId = g.Word();

  const std::vector<BYTE> image = ResourceBytes(RT_ICON, imageId);
  ASSERT_EQ(image.size(), size);
  ASSERT_EQ(size, 40u + 32 * 32 * 4 + 32 * 4);
  BITMAPINFOHEADER h;
  std::memcpy(&h, image.data(), sizeof h);
  EXPECT_EQ(h.biWidth, 32);
  EXPECT_EQ(h.biHeight, 64);
  EXPECT_EQ(h.biBitCount, 32);
  EXPECT_EQ(h.biCompression, DWORD(BI_RGB));

  const BYTE* pixels = image.data() + 40;
  const BYTE* mask = pixels + 32 * 32 * 4;
  int opaque = 0;
  std::vector<DWORD> colours;
  for (int row = 0; row < 32; ++row)
    for (int x = 0; x < 32; ++x) {
      const BYTE* p = pixels + (row * 32 + x) * 4;
      const bool transparent = mask[row * 4 + x / 8] & (0x80 >> (x % 8));
      EXPECT_EQ(transparent, p[3] == 0) << x << "," << row;
      if (transparent) continue;
      ++opaque;
      const DWORD c = DWORD(p[0] | p[1] << 8 | p[2] << 16);
      if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
    }
  // A round picture: the corners are clear, the middle is drawn in several colours.
  EXPECT_GT(opaque, 32 * 32 / 2);
  EXPECT_LT(opaque, 32 * 32);
  EXPECT_TRUE(mask[0] & 0x80);
  EXPECT_GE(colours.size(), 6u);
}

TEST(ResourceLookup, AnswersOnlyForWhatTheModuleHas) {
  HMODULE module = GetModuleHandleA(nullptr);
  EXPECT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(141), RT_MENU), nullptr);
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(141), RT_DIALOG), nullptr);
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(999), RT_MENU), nullptr);
  EXPECT_EQ(FindResourceA(module, "nothing", RT_MENU), nullptr);
  EXPECT_EQ(FindResourceA(module, nullptr, RT_MENU), nullptr);
  EXPECT_EQ(FindResourceA(reinterpret_cast<HMODULE>(0x1234), MAKEINTRESOURCEA(141), RT_MENU),
            nullptr);
  EXPECT_EQ(LoadResource(module, nullptr), nullptr);
  EXPECT_EQ(LockResource(nullptr), nullptr);
  EXPECT_EQ(SizeofResource(module, nullptr), 0u);
  // A found handle is not a loaded one, and the other way round.
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(141), RT_MENU);
  HGLOBAL loaded = LoadResource(module, found);
  EXPECT_EQ(LockResource(static_cast<HGLOBAL>(found)), nullptr);
  EXPECT_EQ(SizeofResource(module, reinterpret_cast<HRSRC>(loaded)), 0u);
}

TEST(ResourceLookup, RegisteredTextNamesMatchWithoutCaseAndLaterEntriesReplace) {
  HMODULE module = reinterpret_cast<HMODULE>(0x00770000);
  const BYTE first[] = {1, 2, 3};
  const BYTE second[] = {9};
  const MODULE_RESOURCE a[] = {{"CUSTOM", "Splash", first, sizeof first}};
  ASSERT_TRUE(TestRegisterResources(module, a, 1));
  HRSRC found = FindResourceA(module, "SPLASH", "custom");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(SizeofResource(module, found), 3u);
  EXPECT_EQ(FindResourceA(nullptr, "Splash", "CUSTOM"), nullptr);  // another module's

  const MODULE_RESOURCE b[] = {{"CUSTOM", "splash", second, sizeof second}};
  ASSERT_TRUE(TestRegisterResources(module, b, 1));
  HRSRC again = FindResourceA(module, "Splash", "CUSTOM");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(SizeofResource(module, again), 1u);
  EXPECT_EQ(*static_cast<const BYTE*>(LockResource(LoadResource(module, again))), 9);
  // What was locked before stays readable.
  EXPECT_EQ(static_cast<const BYTE*>(LockResource(LoadResource(module, found)))[2], 3);

  const MODULE_RESOURCE bad[] = {{"CUSTOM", "", first, 1}, {nullptr, "x", first, 1},
                                 {"CUSTOM", "x", nullptr, 4}};
  for (const MODULE_RESOURCE& e : bad) EXPECT_FALSE(TestRegisterResources(module, &e, 1));
  EXPECT_FALSE(TestRegisterResources(nullptr, a, 1));
  EXPECT_EQ(FindResourceA(module, "x", "CUSTOM"), nullptr);
}

}  // namespace
