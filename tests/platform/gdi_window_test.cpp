// GDI on the screen: window device contexts and their clipping, fills, edges, lines, text and
// icons as pixels in 16- and 32-bit desktops, default frames and captions, and the repainting
// of what a hidden, destroyed or moved window uncovered.
#include "window_recorder.h"

#include "display/display.h"
#include "testing/machine_hooks.h"
#include "win32/font.h"
#include "win32/gdi_bitmap.h"
#include "win32/gdi_icon.h"

#include <functional>
#include <map>
#include <vector>

using velta_test::WindowTest;

namespace {

// What the test windows draw in WM_PAINT, and how often each painted.
std::function<void(HWND, HDC)> g_paint;
std::map<HWND, int> g_paints;

LRESULT CALLBACK PaintingProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    ++g_paints[w];
    if (dc && g_paint) g_paint(w, dc);
    EndPaint(w, &ps);
    return 0;
  }
  return DefWindowProcA(w, message, wParam, lParam);
}

constexpr char kPainting[] = "GdiPainting";
constexpr COLORREF kGreen = RGB(0, 200, 0);
constexpr COLORREF kRed = RGB(220, 0, 0);

// The screen's pixel, decoded here rather than through GetPixel.
COLORREF ScreenAt(LONG x, LONG y) {
  const ScreenBuffer& s = TheDisplay().Screen();
  const uint8_t* p = s.pixels.data() + size_t(y) * s.pitch;
  if (s.bitsPerPixel == 16) {
    const unsigned v = unsigned(p[2 * x]) | unsigned(p[2 * x + 1]) << 8;
    const unsigned r = v >> 11 & 31, g = v >> 5 & 63, b = v & 31;
    return RGB(r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2);
  }
  return RGB(p[4 * x + 2], p[4 * x + 1], p[4 * x]);
}

// Equal but for what a 16-bit screen loses.
bool Near(COLORREF a, COLORREF b) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int(a >> shift & 255) - int(b >> shift & 255)) > 8) return false;
  return true;
}

// Pixels in a screen rectangle that are not `ground`.
int Ink(const RECT& r, COLORREF ground) {
  int n = 0;
  for (LONG y = r.top; y < r.bottom; ++y)
    for (LONG x = r.left; x < r.right; ++x) n += Near(ScreenAt(x, y), ground) ? 0 : 1;
  return n;
}

// A packed two-pixel, one-row DIB, as a bitmap resource holds it.
std::vector<BYTE> TwoPixelDib(WORD bits, std::vector<RGBQUAD> table, std::vector<BYTE> row) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = 2;
  h.biHeight = 1;
  h.biPlanes = 1;
  h.biBitCount = bits;
  h.biClrUsed = DWORD(table.size());
  std::vector<BYTE> out(reinterpret_cast<BYTE*>(&h), reinterpret_cast<BYTE*>(&h + 1));
  for (const RGBQUAD& q : table) out.insert(out.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
  row.resize(4, 0);
  out.insert(out.end(), row.begin(), row.end());
  return out;
}

class GdiScreen : public WindowTest, public ::testing::WithParamInterface<DWORD> {
 protected:
  void SetUp() override {
    TestResetMachine();
    TestMachine().desktop.bitsPerPixel = GetParam();
    WindowTest::SetUp();
    g_paint = nullptr;
    g_paints.clear();
    WNDCLASSA wc{};
    wc.lpfnWndProc = PaintingProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kPainting;
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
  void TearDown() override {
    g_paint = nullptr;
    WindowTest::TearDown();
    TestResetMachine();
  }

  static HWND Popup(int x, int y, int w, int h, DWORD style = 0, const char* title = "") {
    HWND window = CreateWindowExA(0, kPainting, title, WS_POPUP | WS_VISIBLE | style, x, y, w, h,
                                  nullptr, nullptr, nullptr, nullptr);
    UpdateWindow(window);
    return window;
  }
  static HWND Child(HWND parent, int x, int y, int w, int h) {
    HWND window = CreateWindowExA(0, kPainting, "", WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                                  nullptr, nullptr, nullptr);
    UpdateWindow(window);
    return window;
  }
  static bool HaveFont() { return *TextFontPath() != '\0'; }
};

INSTANTIATE_TEST_SUITE_P(Depths, GdiScreen, ::testing::Values(DWORD(16), DWORD(32)),
                         [](const auto& info) { return std::to_string(info.param) + "bit"; });

TEST_P(GdiScreen, FillsFramesEdgesAndLinesInTheWindowsPlace) {
  HWND w = Popup(100, 100, 200, 150);
  EXPECT_PRED2(Near, ScreenAt(150, 150), RGB(255, 255, 255)) << "the class brush erased it";
  HDC dc = GetDC(w);
  ASSERT_NE(dc, nullptr);
  HBRUSH green = CreateSolidBrush(kGreen);
  RECT r{0, 0, 10, 10};
  EXPECT_EQ(FillRect(dc, &r, green), 1);
  EXPECT_TRUE(Near(ScreenAt(100, 100), kGreen));
  EXPECT_TRUE(Near(ScreenAt(109, 109), kGreen));
  EXPECT_PRED2(Near, ScreenAt(110, 110), RGB(255, 255, 255));
  r = RECT{10, 10, 20, 20};
  FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
  EXPECT_PRED2(Near, ScreenAt(110, 115), RGB(128, 128, 128));
  EXPECT_PRED2(Near, ScreenAt(119, 119), RGB(128, 128, 128));
  EXPECT_PRED2(Near, ScreenAt(115, 115), RGB(255, 255, 255));

  // Each edge: the outer and inner top-left, inner and outer bottom-right, the middle.
  const struct {
    UINT edge;
    COLORREF outerTL, innerTL, innerBR, outerBR;
  } edges[] = {
      {EDGE_RAISED, 0xC0C0C0, 0xFFFFFF, 0x808080, 0x000000},
      {EDGE_SUNKEN, 0x808080, 0x000000, 0xC0C0C0, 0xFFFFFF},
      {EDGE_ETCHED, 0x808080, 0xFFFFFF, 0x808080, 0xFFFFFF},
  };
  for (const auto& e : edges) {
    RECT box{30, 30, 70, 60};
    EXPECT_TRUE(DrawEdge(dc, &box, e.edge, BF_RECT | BF_MIDDLE | BF_ADJUST));
    EXPECT_EQ(box.left, 32);
    EXPECT_EQ(box.bottom, 58);
    EXPECT_PRED2(Near, ScreenAt(130, 145), e.outerTL) << e.edge;
    EXPECT_PRED2(Near, ScreenAt(131, 145), e.innerTL) << e.edge;
    EXPECT_PRED2(Near, ScreenAt(168, 145), e.innerBR) << e.edge;
    EXPECT_PRED2(Near, ScreenAt(169, 145), e.outerBR) << e.edge;
    EXPECT_PRED2(Near, ScreenAt(150, 130), e.outerTL) << e.edge;
    EXPECT_PRED2(Near, ScreenAt(150, 159), e.outerBR) << e.edge;
    EXPECT_PRED2(Near, ScreenAt(150, 145), RGB(192, 192, 192)) << e.edge;
  }

  // Rectangle: pen outline, brush inside; LineTo leaves its end point.
  HPEN red = CreatePen(PS_SOLID, 1, kRed);
  HGDIOBJ oldPen = SelectObject(dc, red);
  EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
  HGDIOBJ oldBrush = SelectObject(dc, green);
  EXPECT_EQ(oldBrush, GetStockObject(WHITE_BRUSH));
  EXPECT_TRUE(Rectangle(dc, 80, 10, 100, 30));
  EXPECT_TRUE(Near(ScreenAt(180, 110), kRed));
  EXPECT_TRUE(Near(ScreenAt(199, 129), kRed));
  EXPECT_TRUE(Near(ScreenAt(190, 120), kGreen));
  EXPECT_PRED2(Near, ScreenAt(200, 120), RGB(255, 255, 255));
  POINT before;
  EXPECT_TRUE(MoveToEx(dc, 10, 100, nullptr));
  EXPECT_TRUE(LineTo(dc, 50, 100));
  EXPECT_TRUE(LineTo(dc, 50, 140));
  EXPECT_TRUE(MoveToEx(dc, 0, 0, &before));
  EXPECT_EQ(before.x, 50);
  EXPECT_TRUE(Near(ScreenAt(110, 200), kRed));
  EXPECT_TRUE(Near(ScreenAt(150, 200), kRed));  // the corner, drawn by the second line
  EXPECT_TRUE(Near(ScreenAt(150, 239), kRed));
  EXPECT_PRED2(Near, ScreenAt(150, 240), RGB(255, 255, 255));
  EXPECT_TRUE(LineTo(dc, 20, 10));  // a diagonal reaches near its end
  EXPECT_TRUE(Near(ScreenAt(119, 109), kRed));
  EXPECT_TRUE(LineTo(dc, 2000000000, -2000000000));  // far off: bounded, nothing hangs
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_TRUE(DeleteObject(green));
  EXPECT_FALSE(DeleteObject(green));
  EXPECT_EQ(FillRect(dc, &r, green), 0) << "a deleted brush";
  EXPECT_EQ(ReleaseDC(w, dc), 1);
  EXPECT_EQ(ReleaseDC(w, dc), 0);
  EXPECT_EQ(FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW)), 0) << "a released context";
}

TEST_P(GdiScreen, DrawingStaysInsideTheWindowItsParentAndUnderWindowsAbove) {
  HWND parent = Popup(100, 100, 200, 150);
  HWND child = Child(parent, 150, 100, 100, 100);  // sticks out right and below
  HWND above = Popup(120, 120, 30, 30);
  RECT all{-1000, -1000, 1000, 1000};
  HDC dc = GetDC(nullptr);  // the whole screen, to see what the child leaves alone
  RECT strip{250, 250, 350, 260};
  FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
  ReleaseDC(nullptr, dc);
  dc = GetDC(child);
  FillRect(dc, &all, GetSysColorBrush(COLOR_3DDKSHADOW));
  ReleaseDC(child, dc);
  EXPECT_PRED2(Near, ScreenAt(260, 210), RGB(0, 0, 0));
  EXPECT_PRED2(Near, ScreenAt(299, 249), RGB(0, 0, 0));
  EXPECT_PRED2(Near, ScreenAt(260, 250), RGB(192, 192, 192)) << "below the parent";
  EXPECT_PRED2(Near, ScreenAt(249, 210), RGB(255, 255, 255)) << "the parent beside the child";

  dc = GetDC(parent);
  FillRect(dc, &all, reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1));
  ReleaseDC(parent, dc);
  EXPECT_PRED2(Near, ScreenAt(100, 100), RGB(0, 0, 128));
  EXPECT_PRED2(Near, ScreenAt(125, 125), RGB(255, 255, 255)) << "the window above keeps its pixels";
  EXPECT_PRED2(Near, ScreenAt(99, 100), RGB(0, 0, 0));

  // A hidden window draws nothing; a window context reaches the frame.
  ShowWindow(above, SW_HIDE);
  Pump();
  EXPECT_PRED2(Near, ScreenAt(125, 125), RGB(255, 255, 255)) << "the parent painted the uncovered part";
  dc = GetDC(above);
  FillRect(dc, &all, GetSysColorBrush(COLOR_3DDKSHADOW));
  ReleaseDC(above, dc);
  EXPECT_PRED2(Near, ScreenAt(125, 125), RGB(255, 255, 255));
  HWND framed = Popup(400, 100, 100, 80, WS_BORDER);
  dc = GetWindowDC(framed);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0)) << "the border";
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 100, 0), CLR_INVALID);
  ReleaseDC(framed, dc);
  DestroyWindow(framed);
  EXPECT_EQ(GetDC(framed), nullptr);
}

TEST_P(GdiScreen, BeginPaintDrawsOnlyWhereTheUpdateIs) {
  HWND w = Popup(100, 100, 200, 150);
  HBRUSH red = CreateSolidBrush(kRed);
  g_paint = [red](HWND window, HDC dc) {
    RECT r;
    GetClientRect(window, &r);
    FillRect(dc, &r, red);
  };
  RECT part{10, 20, 30, 40};
  InvalidateRect(w, &part, FALSE);
  UpdateWindow(w);
  EXPECT_TRUE(Near(ScreenAt(110, 120), kRed));
  EXPECT_TRUE(Near(ScreenAt(129, 139), kRed));
  EXPECT_PRED2(Near, ScreenAt(130, 139), RGB(255, 255, 255));
  EXPECT_PRED2(Near, ScreenAt(109, 120), RGB(255, 255, 255));
  DeleteObject(red);
}

TEST_P(GdiScreen, DrawTextMeasuresWrapsAndAligns) {
  if (!HaveFont()) GTEST_SKIP() << "no font";
  HDC dc = GetDC(nullptr);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICA tm;
  ASSERT_TRUE(GetTextMetricsA(dc, &tm));
  EXPECT_EQ(tm.tmHeight, 13);
  EXPECT_EQ(tm.tmAscent + tm.tmDescent, 13);
  auto extent = [&dc](const char* s) {  // in whichever context is open
    SIZE size{};
    GetTextExtentPoint32A(dc, s, int(strlen(s)), &size);
    return LONG(size.cx);
  };
  const struct {
    const char* text;
    UINT format;
    LONG width, lines;
  } rows[] = {
      {"Open file", DT_LEFT, extent("Open file"), 1},
      {"&Open", 0, extent("Open"), 1},
      {"&&Open", 0, extent("&Open"), 1},
      {"&Open", DT_NOPREFIX, extent("&Open"), 1},
      {"one\r\ntwo", 0, std::max(extent("one"), extent("two")), 2},
      {"one\ntwo\rthree", 0, extent("three"), 3},
      {"one\ntwo", DT_SINGLELINE, extent("onetwo"), 1},
      {"", 0, 0, 1},
  };
  for (const auto& row : rows) {
    RECT r{10, 20, 10, 20};
    EXPECT_EQ(DrawTextA(dc, row.text, -1, &r, row.format | DT_CALCRECT), row.lines * 13) << row.text;
    EXPECT_EQ(r.right - r.left, row.width) << row.text;
    EXPECT_EQ(r.bottom - r.top, row.lines * 13) << row.text;
  }
  // Wrapping at spaces to the width; a word longer than the width is broken too.
  const LONG word = extent("word");
  RECT r{0, 0, word * 2, 0};
  EXPECT_EQ(DrawTextA(dc, "word word word", -1, &r, DT_WORDBREAK | DT_CALCRECT), 3 * 13);
  EXPECT_LE(r.right, word * 2);
  r = RECT{0, 0, word, 0};
  EXPECT_GE(DrawTextA(dc, "wordwordwordword", -1, &r, DT_WORDBREAK | DT_CALCRECT), 4 * 13);
  EXPECT_LE(r.right, word);
  EXPECT_EQ(DrawTextA(dc, "x", -1, nullptr, 0), 0);
  EXPECT_EQ(DrawTextA(dc, nullptr, 3, &r, 0), 0);
  ReleaseDC(nullptr, dc);

  // Alignment: the ink of "W" in a 100 x 40 box at (200, 200).
  HWND w = Popup(200, 200, 100, 40);
  dc = GetDC(w);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  const LONG wide = extent("W");
  const struct {
    UINT format;
    LONG left, top;  // where the cell should start
  } places[] = {
      {DT_LEFT | DT_SINGLELINE, 0, 0},
      {DT_CENTER | DT_SINGLELINE | DT_VCENTER, (100 - wide) / 2, (40 - 13) / 2},
      {DT_RIGHT | DT_SINGLELINE | DT_BOTTOM, 100 - wide, 40 - 13},
  };
  for (const auto& p : places) {
    RECT box{0, 0, 100, 40};
    FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
    DrawTextA(dc, "W", 1, &box, p.format);
    const RECT cell{200 + p.left, 200 + p.top, 200 + p.left + wide, 200 + p.top + 13};
    EXPECT_GT(Ink(cell, RGB(255, 255, 255)), 10) << p.format;
    EXPECT_EQ(Ink(RECT{200, 200, 300, 240}, RGB(255, 255, 255)), Ink(cell, RGB(255, 255, 255)))
        << p.format;
  }
  // The prefix underlines its letter below the baseline; DT_NOPREFIX does not.
  RECT box{0, 0, 100, 40};
  FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
  DrawTextA(dc, "&x", -1, &box, DT_LEFT);
  const RECT below{200, 200 + tm.tmAscent + 1, 200 + extent("x"), 200 + tm.tmAscent + 2};
  EXPECT_EQ(Ink(below, RGB(255, 255, 255)), extent("x"));
  FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
  DrawTextA(dc, "&x", -1, &box, DT_LEFT | DT_NOPREFIX);
  EXPECT_LT(Ink(RECT{200, 200 + tm.tmAscent + 1, 200 + 2 * extent("x"), 200 + tm.tmAscent + 2},
                RGB(255, 255, 255)),
            extent("x"));
  ReleaseDC(w, dc);
}

TEST_P(GdiScreen, HangulAndBoldFontsDrawInk) {
  if (!HaveFont()) GTEST_SKIP() << "no font";
  HWND w = Popup(100, 100, 300, 60);
  HDC dc = GetDC(w);
  HFONT bold = CreateFontA(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, HANGUL_CHARSET, 0, 0, 0, 0, "Gulim");
  HFONT plain = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, HANGUL_CHARSET, 0, 0, 0, 0, "Gulim");
  ASSERT_NE(bold, nullptr);
  LOGFONTA lf{};
  EXPECT_EQ(GetObjectA(bold, sizeof lf, &lf), int(sizeof lf));
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  const char hangul[] = "\xC7\xD1\xB1\xDB \xB8\xDE\xBD\xC3\xC1\xF6";  // Korean, code page 949
  SIZE normal{}, heavy{};
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  EXPECT_EQ(tm.tmWeight, FW_BOLD) << "a new DC's font is the bold system font";
  EXPECT_EQ(SelectObject(dc, plain), GetStockObject(SYSTEM_FONT));
  ASSERT_TRUE(GetTextExtentPoint32A(dc, hangul, int(sizeof hangul - 1), &normal));
  EXPECT_EQ(SelectObject(dc, bold), plain);
  ASSERT_TRUE(GetTextExtentPoint32A(dc, hangul, int(sizeof hangul - 1), &heavy));
  GetTextMetricsA(dc, &tm);
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 11);
  EXPECT_EQ(tm.tmWeight, FW_BOLD);
  EXPECT_GT(normal.cx, 5 * 8);  // five wide syllables
  EXPECT_EQ(heavy.cx, normal.cx + 1);
  EXPECT_EQ(heavy.cy, tm.tmHeight);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 0));
  EXPECT_TRUE(TextOutA(dc, 5, 5, hangul, int(sizeof hangul - 1)));
  const RECT cell{105, 105, 105 + heavy.cx, 105 + heavy.cy};
  EXPECT_TRUE(Near(ScreenAt(cell.right - 1, cell.top), RGB(255, 255, 0))) << "opaque background";
  int black = 0;
  for (LONG y = cell.top; y < cell.bottom; ++y)
    for (LONG x = cell.left; x < cell.right; ++x) black += ScreenAt(x, y) == RGB(0, 0, 0);
  EXPECT_GT(black, 40);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  EXPECT_TRUE(DeleteObject(bold));
  EXPECT_TRUE(DeleteObject(plain));
  ReleaseDC(w, dc);
}

TEST_P(GdiScreen, IconsBlendTheirAlphaAndTheStandardOnesAreDrawn) {
  HWND w = Popup(100, 100, 200, 100);
  HDC dc = GetDC(w);
  // Transparent, opaque red, half blue, opaque green; drawn twice the size.
  const uint32_t pixels[] = {0x00FFFFFF, 0xFFDC0000, 0x800000FF, 0xFF00C800};
  HICON icon = GdiCreateIcon(2, 2, pixels);
  ASSERT_NE(icon, nullptr);
  EXPECT_TRUE(DrawIconEx(dc, 0, 0, icon, 4, 4, 0, nullptr, DI_NORMAL));
  EXPECT_PRED2(Near, ScreenAt(101, 101), RGB(255, 255, 255));
  EXPECT_TRUE(Near(ScreenAt(103, 100), kRed));
  EXPECT_TRUE(Near(ScreenAt(100, 103), RGB(127, 127, 255)));
  EXPECT_TRUE(Near(ScreenAt(103, 103), kGreen));
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(GdiCreateIcon(0, 2, pixels), nullptr);

  // From a colour bitmap and its mask: a set mask bit lets the screen through.
  const HINSTANCE module = GetModuleHandleA(nullptr);
  const std::vector<BYTE> color = TwoPixelDib(24, {}, {0x00, 0x00, 0xDC, 0xFF, 0x00, 0x00});
  const std::vector<BYTE> mask = TwoPixelDib(1, {{0, 0, 0, 0}, {255, 255, 255, 0}}, {0x40});
  ASSERT_TRUE(RegisterBitmapResource(module, "IconColor", color.data(), DWORD(color.size())));
  ASSERT_TRUE(RegisterBitmapResource(module, "IconMask", mask.data(), DWORD(mask.size())));
  ICONINFO info{TRUE, 0, 0, static_cast<HBITMAP>(LoadImageA(module, "IconMask", IMAGE_BITMAP, 0, 0, 0)),
                static_cast<HBITMAP>(LoadImageA(module, "IconColor", IMAGE_BITMAP, 0, 0, 0))};
  icon = CreateIconIndirect(&info);
  ASSERT_NE(icon, nullptr);
  EXPECT_TRUE(DrawIconEx(dc, 10, 10, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_PRED2(Near, ScreenAt(110, 110), kRed);
  EXPECT_PRED2(Near, ScreenAt(111, 110), RGB(255, 255, 255));
  EXPECT_TRUE(DestroyIcon(icon));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  info.hbmColor = nullptr;
  EXPECT_EQ(CreateIconIndirect(&info), nullptr);
  EXPECT_EQ(GdiCreateIcon(kGdiMaxIconSide + 1, 1, pixels), nullptr);

  // The standard icons: colour inside, the screen left alone in the corners.
  const struct {
    LPCSTR id;
    POINT at;
    COLORREF color;
  } standard[] = {
      {IDI_ERROR, {16, 4}, RGB(224, 0, 0)},
      {IDI_WARNING, {10, 26}, RGB(255, 224, 0)},
      {IDI_INFORMATION, {8, 16}, RGB(32, 96, 208)},
      {IDI_QUESTION, {6, 16}, RGB(255, 255, 255)},
  };
  int x = 10;
  for (const auto& s : standard) {
    HICON shared = LoadIconA(nullptr, s.id);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(LoadIconA(nullptr, s.id), shared);
    RECT ground{x, 40, x + 32, 72};
    FillRect(dc, &ground, GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_TRUE(DrawIcon(dc, x, 40, shared));
    EXPECT_TRUE(Near(ScreenAt(100 + x + s.at.x, 140 + s.at.y), s.color)) << x;
    EXPECT_PRED2(Near, ScreenAt(100 + x, 140), RGB(192, 192, 192)) << x;
    EXPECT_TRUE(DestroyIcon(shared));  // stays for the next LoadIconA
    x += 40;
  }
  EXPECT_TRUE(DrawIcon(dc, 0, 0, LoadIconA(nullptr, IDI_ERROR)));
  EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
  ReleaseDC(w, dc);
}

TEST_P(GdiScreen, CaptionedPopupGetsFrameAndCaption) {
  HWND w = Popup(100, 100, 300, 120, WS_CAPTION | WS_SYSMENU, "Title");
  // The dialog frame: light grey, white, then the face; the far side grey and black.
  EXPECT_PRED2(Near, ScreenAt(100, 150), RGB(192, 192, 192));
  EXPECT_PRED2(Near, ScreenAt(101, 150), RGB(255, 255, 255));
  EXPECT_PRED2(Near, ScreenAt(102, 150), RGB(192, 192, 192));
  EXPECT_PRED2(Near, ScreenAt(398, 150), RGB(128, 128, 128));
  EXPECT_PRED2(Near, ScreenAt(399, 150), RGB(0, 0, 0));
  // The caption: navy with white text at the left, the close box at the right.
  const RECT caption{103, 103, 397, 103 + GetSystemMetrics(SM_CYCAPTION) - 1};
  EXPECT_PRED2(Near, ScreenAt(250, 110), RGB(0, 0, 128));
  EXPECT_PRED2(Near, ScreenAt(250, caption.bottom), RGB(192, 192, 192));
  if (HaveFont()) {
    EXPECT_GT(Ink(RECT{103, 103, 160, caption.bottom}, RGB(0, 0, 128)), 20);
  }
  EXPECT_PRED2(Near, ScreenAt(caption.right - 10, caption.top + 9), RGB(0, 0, 0)) << "the cross";
  POINT origin{0, 0};
  ClientToScreen(w, &origin);
  EXPECT_EQ(origin.y, caption.bottom + 1);
  EXPECT_PRED2(Near, ScreenAt(origin.x, origin.y), RGB(255, 255, 255));

  // Another window taking the activation greys the caption.
  HWND other = Popup(600, 100, 50, 50);
  SetActiveWindow(other);
  EXPECT_PRED2(Near, ScreenAt(250, 110), RGB(128, 128, 128));
  SetActiveWindow(w);
  EXPECT_PRED2(Near, ScreenAt(250, 110), RGB(0, 0, 128));
}

TEST_P(GdiScreen, WhatAPopupUncoversIsPaintedAgain) {
  HBRUSH green = CreateSolidBrush(kGreen), red = CreateSolidBrush(kRed);
  HWND main = Popup(100, 100, 300, 200, WS_CAPTION, "Main");
  g_paint = [&](HWND window, HDC dc) {
    RECT r;
    GetClientRect(window, &r);
    FillRect(dc, &r, window == main ? green : red);
  };
  InvalidateRect(main, nullptr, TRUE);
  UpdateWindow(main);
  EXPECT_TRUE(Near(ScreenAt(200, 200), kGreen));

  // Over the main window's client area, its caption and the desktop beyond.
  const struct {
    const char* how;
    std::function<void(HWND)> go;
  } ways[] = {
      {"hidden", [](HWND p) { ShowWindow(p, SW_HIDE); }},
      {"destroyed", [](HWND p) { DestroyWindow(p); }},
      {"moved", [](HWND p) { SetWindowPos(p, nullptr, 700, 500, 0, 0, SWP_NOSIZE | SWP_NOZORDER); }},
  };
  for (const auto& way : ways) {
    HWND popup = Popup(50, 90, 200, 150);
    Pump();
    EXPECT_TRUE(Near(ScreenAt(200, 200), kRed)) << way.how;
    EXPECT_TRUE(Near(ScreenAt(60, 95), kRed)) << way.how;
    g_paints.clear();
    way.go(popup);
    const COLORREF caption = ScreenAt(200, 105);
    EXPECT_TRUE(Near(caption, RGB(0, 0, 128)) || Near(caption, RGB(128, 128, 128)))
        << way.how << ": the caption at once";
    Pump();
    EXPECT_EQ(g_paints[main], 1) << way.how;
    EXPECT_TRUE(Near(ScreenAt(200, 200), kGreen)) << way.how;
    EXPECT_TRUE(Near(ScreenAt(120, 230), kGreen)) << way.how;
    EXPECT_TRUE(Near(ScreenAt(300, 290), kGreen)) << way.how << ": never covered";
    EXPECT_PRED2(Near, ScreenAt(60, 95), RGB(0, 0, 0)) << way.how << ": the desktop";
    if (IsWindowVisible(popup)) {
      EXPECT_TRUE(Near(ScreenAt(710, 510), kRed)) << way.how << ": painted at its new place";
    }
    DestroyWindow(popup);
    Pump();
  }
  DeleteObject(green);
  DeleteObject(red);
}

}  // namespace
