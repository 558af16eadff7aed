// VELTA_INPUT: the step parser and the player that turns steps into host input and window
// calls, as a user at the screen would make them.
#include "display/input_script.h"

#include "display/displays.h"
#include "win32/input.h"
#include "win32/window.h"
#include "win32/window_internal.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <strings.h>

namespace {

// Numbers a step may carry: screen coordinates and sizes stay in the window layer's range.
constexpr long kMaxCoordinate = 32767;
constexpr long kMaxFrames = 1000000000;

struct NamedKey {
  const char* name;
  UINT vk;
};

constexpr NamedKey kKeyNames[] = {
    {"Return", VK_RETURN}, {"Enter", VK_RETURN},    {"space", VK_SPACE},   {"Escape", VK_ESCAPE},
    {"Esc", VK_ESCAPE},    {"Tab", VK_TAB},         {"Up", VK_UP},         {"Down", VK_DOWN},
    {"Left", VK_LEFT},     {"Right", VK_RIGHT},     {"Home", VK_HOME},     {"End", VK_END},
    {"PageUp", VK_PRIOR},  {"PageDown", VK_NEXT},   {"Insert", VK_INSERT}, {"Delete", VK_DELETE},
    {"Backspace", VK_BACK}, {"Alt", VK_MENU},       {"Ctrl", VK_CONTROL},  {"Shift", VK_SHIFT},
};

struct NamedModifier {
  const char* prefix;
  unsigned bit;
};

constexpr NamedModifier kModifiers[] = {
    {"ctrl+", kInputCtrl}, {"alt+", kInputAlt}, {"shift+", kInputShift}};

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::vector<std::string_view> Words(std::string_view s) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsSpace(s[i])) ++i;
    size_t start = i;
    while (i < s.size() && !IsSpace(s[i])) ++i;
    if (i > start) out.push_back(s.substr(start, i - start));
  }
  return out;
}

// A decimal number in [min, max], with an optional minus sign.
bool ReadNumber(std::string_view s, long min, long max, long& out) {
  bool negative = false;
  if (!s.empty() && s.front() == '-') negative = true, s.remove_prefix(1);
  if (s.empty() || s.size() > 10) return false;
  long long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (negative) v = -v;
  if (v < min || v > max) return false;
  out = long(v);
  return true;
}

bool ParseKey(std::string_view shape, InputStep& step, std::string& error) {
  std::string_view rest = shape;
  for (bool more = true; more;) {
    more = false;
    for (const NamedModifier& m : kModifiers) {
      const std::string_view prefix = m.prefix;
      if (rest.size() > prefix.size() && SameText(rest.substr(0, prefix.size()), prefix)) {
        step.modifiers |= m.bit;
        rest.remove_prefix(prefix.size());
        more = true;
      }
    }
  }
  step.key = InputKeyByName(rest);
  if (!step.key) error = "unknown key name '" + std::string(rest) + "'";
  return step.key != 0;
}

// The child of `dialog` with the control identifier `id`, as GetDlgItem finds it.
HWND DialogItem(HWND dialog, long id) {
  if (!dialog) return nullptr;
  for (auto& [key, w] : Windows().windows)
    if (w->parent == dialog && !w->destroying && reinterpret_cast<uintptr_t>(w->menu) == uintptr_t(id))
      return w->handle;
  return nullptr;
}

// Visible top-level windows other than `main` (dialogs, boxes, menus), with their union
// with the main window's outer rectangle.
bool PopupsOpen(HWND main, RECT& area) {
  bool any = false;
  GetWindowRect(main, &area);
  for (auto& [key, w] : Windows().windows) {
    if (w->handle == main || !IsTopLevel(*w) || w->destroying || !(w->style & WS_VISIBLE) ||
        w->state == ShowState::Minimized)
      continue;
    any = true;
    area.left = std::min(area.left, w->window.left), area.top = std::min(area.top, w->window.top);
    area.right = std::max(area.right, w->window.right);
    area.bottom = std::max(area.bottom, w->window.bottom);
  }
  return any;
}

void Press(UINT vk, bool down) { InputKey(vk, down); }

}  // namespace

UINT InputKeyByName(std::string_view name) {
  if (name.size() == 1) {
    const char c = char(std::toupper(static_cast<unsigned char>(name[0])));
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return UINT(c);
    return 0;
  }
  if ((name.size() == 2 || name.size() == 3) && (name[0] == 'F' || name[0] == 'f')) {
    long n = 0;
    if (name[1] != '0' && ReadNumber(name.substr(1), 1, 12, n)) return VK_F1 + UINT(n - 1);
  }
  for (const NamedKey& k : kKeyNames)
    if (SameText(name, k.name)) return k.vk;
  return 0;
}

bool ParseInputStep(std::string_view text, InputStep& step, std::string& error) {
  step = InputStep{};
  text = Trim(text);
  step.text = std::string(text);
  const std::vector<std::string_view> words = Words(text);
  if (words.empty()) {
    error = "empty step";
    return false;
  }
  struct Verb {
    const char* name;
    InputStepKind kind;
    int numbers;  // how many numbers follow
    long min, max;
  };
  static constexpr Verb kVerbs[] = {
      {"frames", InputStepKind::Frames, 1, 0, kMaxFrames},
      {"click", InputStepKind::Click, 2, -kMaxCoordinate, kMaxCoordinate},
      {"rclick", InputStepKind::RightClick, 2, -kMaxCoordinate, kMaxCoordinate},
      {"select", InputStepKind::Select, 2, 0, 0xFFFF},
      {"button", InputStepKind::Button, 1, 0, 0xFFFF},
      {"size", InputStepKind::Size, 2, 1, kMaxCoordinate},
      {"move", InputStepKind::Move, 2, -kMaxCoordinate, kMaxCoordinate},
      {"minimize", InputStepKind::Minimize, 0, 0, 0},
      {"restore", InputStepKind::Restore, 0, 0, 0},
  };
  const std::string_view verb = words[0];
  if (SameText(verb, "key")) {
    step.kind = InputStepKind::Key;
    if (words.size() != 2) {
      error = "key takes one key name";
      return false;
    }
    return ParseKey(words[1], step, error);
  }
  if (SameText(verb, "snapshot")) {
    step.kind = InputStepKind::Snapshot;
    step.file = std::string(Trim(text.substr(verb.size())));
    if (step.file.empty()) error = "snapshot takes a file name";
    return !step.file.empty();
  }
  for (const Verb& v : kVerbs) {
    if (!SameText(verb, v.name)) continue;
    step.kind = v.kind;
    if (int(words.size()) - 1 != v.numbers) {
      error = std::string(v.name) + (v.numbers == 0   ? " takes nothing after it"
                                     : v.numbers == 1 ? " takes one number"
                                                      : " takes two numbers");
      return false;
    }
    long* out[2] = {&step.a, &step.b};
    for (int i = 0; i < v.numbers; ++i) {
      if (!ReadNumber(words[1 + size_t(i)], v.min, v.max, *out[i])) {
        error = "'" + std::string(words[1 + size_t(i)]) + "' is not a number from " +
                std::to_string(v.min) + " to " + std::to_string(v.max);
        return false;
      }
    }
    return true;
  }
  error = "unknown step '" + std::string(verb) + "'";
  return false;
}

ParsedInputScript ParseInputScript(std::string_view script) {
  ParsedInputScript out;
  while (true) {
    const size_t end = script.find(';');
    const std::string_view text = Trim(script.substr(0, end));
    if (!text.empty()) {
      InputStep step;
      std::string error;
      if (ParseInputStep(text, step, error))
        out.steps.push_back(std::move(step));
      else
        out.errors.push_back("velta: VELTA_INPUT step '" + std::string(text) + "': " + error +
                             "; skipped");
    }
    if (end == std::string_view::npos) break;
    script.remove_prefix(end + 1);
  }
  return out;
}

InputScriptPlayer::InputScriptPlayer(Display& display, std::vector<InputStep> steps, bool echo)
    : display_(display), steps_(std::move(steps)), echo_(echo) {}

// Snapshots in between count as looking at the box, not answering it.
bool InputScriptPlayer::NextIsButton() const {
  size_t i = next_;
  while (i < steps_.size() && steps_[i].kind == InputStepKind::Snapshot) ++i;
  return i < steps_.size() && steps_[i].kind == InputStepKind::Button;
}

void InputScriptPlayer::FramePresented() {
  if (pendingFrames_ > 0 && --pendingFrames_ > 0) return;
  due_ = true;
}

bool InputScriptPlayer::Pump(bool wait) {
  if (wait) {
    // A waiting loop stands for frames that cannot come while it runs.
    if (pendingFrames_ > 0) {
      --pendingFrames_;
      return true;
    }
  } else if (!due_ || pendingFrames_ > 0) {
    return false;
  }
  due_ = false;
  if (next_ >= steps_.size()) return false;
  PlayNext(wait);
  return true;
}

void InputScriptPlayer::PlayNext(bool waiting) {
  const InputStep& step = steps_[next_++];
  if (echo_) std::fprintf(stderr, "velta: input: %s\n", step.text.c_str());
  std::string error;
  if (!Play(step, waiting, error))
    std::fprintf(stderr, "velta: VELTA_INPUT step '%s': %s; skipped\n", step.text.c_str(),
                 error.c_str());
}

bool InputScriptPlayer::Play(const InputStep& step, bool waiting, std::string& error) {
  const HWND main = MainTopLevelWindow();
  auto needMain = [&]() {
    if (!main) error = "there is no main window";
    return main != nullptr;
  };
  switch (step.kind) {
    case InputStepKind::Frames: pendingFrames_ = uint64_t(step.a); return true;
    case InputStepKind::Key: {
      static constexpr struct {
        unsigned bit;
        UINT vk;
      } kHeld[] = {{kInputCtrl, VK_CONTROL}, {kInputAlt, VK_MENU}, {kInputShift, VK_SHIFT}};
      for (const auto& m : kHeld)
        if (step.modifiers & m.bit) Press(m.vk, true);
      Press(step.key, true);
      Press(step.key, false);
      for (int i = 2; i >= 0; --i)
        if (step.modifiers & kHeld[i].bit) Press(kHeld[i].vk, false);
      return true;
    }
    case InputStepKind::Click:
    case InputStepKind::RightClick: {
      if (!needMain()) return false;
      POINT p{LONG(step.a), LONG(step.b)};
      ClientToScreen(main, &p);
      const MouseButton b = step.kind == InputStepKind::Click ? MouseButton::Left : MouseButton::Right;
      InputMouseButton(b, true, p.x, p.y);
      InputMouseButton(b, false, p.x, p.y);
      return true;
    }
    case InputStepKind::Select:
    case InputStepKind::Button: {
      const HWND dialog = GetActiveWindow();
      const HWND item = DialogItem(dialog, step.a);
      if (!item) {
        error = "no open dialog has a control " + std::to_string(step.a);
        return false;
      }
      if (step.kind == InputStepKind::Button) {
        SendMessageA(item, BM_CLICK, 0, 0);
        return true;
      }
      if (SendMessageA(item, CB_SETCURSEL, WPARAM(step.b), 0) == CB_ERR) {
        error = "combo box " + std::to_string(step.a) + " has no item " + std::to_string(step.b);
        return false;
      }
      const LPARAM combo = reinterpret_cast<LPARAM>(item);
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(step.a, CBN_SELCHANGE), combo);
      if (IsWindow(item)) SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(step.a, CBN_SELENDOK), combo);
      return true;
    }
    case InputStepKind::Size:
    case InputStepKind::Move: {
      if (!needMain()) return false;
      if (IsIconic(main)) {
        error = "the main window is minimised";
        return false;
      }
      int x = int(step.a), y = int(step.b), cx = 0, cy = 0;
      UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
      if (step.kind == InputStepKind::Size) {
        const WindowRecord* w = FindWindowRecord(main);
        RECT outer{0, 0, LONG(step.a), LONG(step.b)};
        AdjustWindowRectEx(&outer, w->style, w->menuBar, w->exStyle);
        x = y = 0;
        cx = outer.right - outer.left, cy = outer.bottom - outer.top;
        flags |= SWP_NOMOVE;
      } else {
        flags |= SWP_NOSIZE;
      }
      // As a drag of the frame or the caption: the size-move loop around the change.
      SendMessageA(main, WM_ENTERSIZEMOVE, 0, 0);
      if (IsWindow(main)) SetWindowPos(main, nullptr, x, y, cx, cy, flags);
      if (IsWindow(main)) SendMessageA(main, WM_EXITSIZEMOVE, 0, 0);
      return true;
    }
    case InputStepKind::Minimize:
    case InputStepKind::Restore:
      if (!needMain()) return false;
      ShowWindow(main, step.kind == InputStepKind::Minimize ? SW_MINIMIZE : SW_RESTORE);
      return true;
    case InputStepKind::Snapshot: {
      if (!needMain()) return false;
      RECT area;
      const bool popups = PopupsOpen(main, area);
      // A waiting loop may be a menu on the bar, outside the client area; in a display mode
      // the whole screen is the picture.
      const bool saved = (popups || (waiting && !IsIconic(main))) && !display_.InDisplayMode()
                             ? SaveScreenArea(display_.Screen(), area, step.file.c_str())
                             : display_.SaveSnapshot(main, step.file.c_str());
      if (!saved) error = "could not save the snapshot to " + step.file;
      return saved;
    }
  }
  return false;
}
