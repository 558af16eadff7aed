// The default look of a window's non-client area (frame, caption, menu bar place, client
// edge) and of its background, in the classic grey style.
#include "win32/window_dc.h"

#include "win32/gdi_objects.h"
#include "win32/window_internal.h"

namespace {

// Caption buttons sit this far inside the caption bar.
constexpr int kButtonInset = 2;

// The bold UI font of captions, made once.
HFONT CaptionFont() {
  static HFONT font = CreateFontA(kGdiGuiFontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, nullptr);
  return font;
}

// `count` one-pixel rings in a system colour, going inwards.
void Rings(HDC dc, RECT& r, int count, int colorIndex) {
  for (int i = 0; i < count && !(r.right <= r.left || r.bottom <= r.top); ++i) {
    FrameRect(dc, &r, GetSysColorBrush(colorIndex));
    r.left += 1, r.top += 1, r.right -= 1, r.bottom -= 1;
  }
}

// The window whose close box is held down, if any.
HWND g_closePushed = nullptr;

// The width of the frame drawn round a style, inside which the caption lies.
int FrameWidth(DWORD style, DWORD exStyle) {
  if (style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
  if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    return GetSystemMetrics(SM_CXDLGFRAME);
  return (style & WS_BORDER) ? 1 : 0;
}

// The close box inside a caption bar, or false when there is no room for it.
bool CloseBoxIn(const RECT& caption, RECT& b) {
  const int h = caption.bottom - caption.top - 2 * kButtonInset;
  if (h < 6) return false;
  const int w = h + 2;
  b = RECT{caption.right - kButtonInset - w, caption.top + kButtonInset, caption.right - kButtonInset,
           caption.top + kButtonInset + h};
  return b.left > caption.left;
}

// The close box: a raised button with a cross, sunken and the cross moved while pushed.
void CloseButton(HDC dc, const RECT& caption, bool pushed) {
  RECT b;
  if (!CloseBoxIn(caption, b)) return;
  const int h = b.bottom - b.top;
  DrawEdge(dc, &b, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
  HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
  const int cx = (b.left + b.right) / 2 - 1 + (pushed ? 1 : 0);
  const int cy = (b.top + b.bottom) / 2 - 1 + (pushed ? 1 : 0);
  const int s = (h - 6) / 2;
  for (int dx = 0; dx < 2; ++dx) {
    MoveToEx(dc, cx - s + dx, cy - s, nullptr);
    LineTo(dc, cx + s + dx + 1, cy + s + 1);
    MoveToEx(dc, cx + s + dx, cy - s, nullptr);
    LineTo(dc, cx - s + dx - 1, cy + s + 1);
  }
  SelectObject(dc, old);
}

}  // namespace

bool CaptionCloseBox(HWND window, RECT& box) {
  const WindowRecord* w = FindWindowRecord(window);
  if (!w || (w->style & WS_CAPTION) != WS_CAPTION || !(w->style & WS_SYSMENU)) return false;
  const int f = FrameWidth(w->style, w->exStyle);
  const int height =
      GetSystemMetrics((w->exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  const RECT bar{f, f, w->window.right - w->window.left - f, f + height - 1};
  return CloseBoxIn(bar, box);
}

void SetCloseBoxPushed(HWND window, bool pushed) {
  const HWND before = g_closePushed;
  if (pushed)
    g_closePushed = window;
  else if (g_closePushed == window)
    g_closePushed = nullptr;
  if (before != g_closePushed && FindWindowRecord(window))
    PaintDefaultFrame(window, Windows().active == window);
}

void PaintDefaultFrame(HWND window, bool active) {
  const WindowRecord* w = FindWindowRecord(window);
  if (!w || !IsWindowVisible(window) || w->state == ShowState::Minimized) return;
  const DWORD style = w->style, exStyle = w->exStyle;
  const bool menuBar = w->menuBar && IsTopLevel(*w);
  const RECT margins = NonClientMargins(style, exStyle, menuBar);
  if (margins.left == 0 && margins.top == 0 && margins.right == 0 && margins.bottom == 0) return;
  const std::string title = w->text;
  const RECT client = w->client;
  RECT r{0, 0, w->window.right - w->window.left, w->window.bottom - w->window.top};
  HDC dc = GetWindowDC(window);
  if (!dc) return;

  if (style & WS_THICKFRAME) {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    Rings(dc, r, GetSystemMetrics(SM_CXFRAME) - 2, active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
  } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    Rings(dc, r, GetSystemMetrics(SM_CXDLGFRAME) - 2, COLOR_3DFACE);
  } else if (style & WS_BORDER) {
    Rings(dc, r, 1, COLOR_WINDOWFRAME);
  }

  if ((style & WS_CAPTION) == WS_CAPTION) {
    const int height = GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
    RECT bar{r.left, r.top, r.right, r.top + height - 1};
    FillRect(dc, &bar, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    RECT line{r.left, bar.bottom, r.right, bar.bottom + 1};
    FillRect(dc, &line, GetSysColorBrush(COLOR_3DFACE));
    RECT text = bar;
    text.left += 4;
    if (style & WS_SYSMENU) {
      CloseButton(dc, bar, g_closePushed == window);
      text.right -= height + kButtonInset;
    }
    HGDIOBJ oldFont = SelectObject(dc, CaptionFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    DrawTextA(dc, title.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    r.top += height;
  }

  if (menuBar) {
    // The bar's ground; the menu draws its items over it.
    RECT bar{r.left, r.top, r.right, r.top + GetSystemMetrics(SM_CYMENU)};
    FillRect(dc, &bar, GetSysColorBrush(COLOR_MENU));
  }
  if (exStyle & WS_EX_CLIENTEDGE) {
    const LONG ex = GetSystemMetrics(SM_CXEDGE), ey = GetSystemMetrics(SM_CYEDGE);
    RECT edge{client.left - w->window.left - ex, client.top - w->window.top - ey,
              client.right - w->window.left + ex, client.bottom - w->window.top + ey};
    DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
  }
  ReleaseDC(window, dc);
  if (menuBar) DrawMenuBar(window);
}

bool EraseWithClassBrush(HWND window, HDC dc) {
  const WindowRecord* w = FindWindowRecord(window);
  if (!w || !w->classBackground) return false;
  RECT r{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
  FillRect(dc, &r, w->classBackground);
  return true;
}
