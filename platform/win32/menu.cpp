// Menu objects: loading menu templates, building menus item by item, the queries and state
// changes on items, and a top-level window's menu bar. Handles are keys into a table, never
// pointers, and are not given out twice.
#include "win32/dialog_template.h"
#include "win32/menu_internal.h"
#include "win32/module_resources.h"
#include "win32/window_internal.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>

namespace {

constexpr uintptr_t kMenuBase = 0x00E80000;
constexpr uintptr_t kHandleStep = 4;
// Limits that keep a broken template or a runaway caller from costing without bound.
constexpr size_t kMaxTemplateBytes = 64 * 1024;
constexpr int kMaxDepth = 16;
constexpr size_t kMaxItems = 1024;
constexpr UINT kStateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT;

struct MenuTable {
  std::map<uintptr_t, std::unique_ptr<MenuRecord>> menus;
  uintptr_t next = kMenuBase;
};

MenuTable& Menus() {
  static auto* table = new MenuTable;
  return *table;
}

HMENU NewMenu() {
  MenuTable& t = Menus();
  const uintptr_t handle = t.next;
  t.next += kHandleStep;
  t.menus.emplace(handle, std::make_unique<MenuRecord>());
  return reinterpret_cast<HMENU>(handle);
}

void Destroy(HMENU menu) {
  MenuRecord* m = FindMenuRecord(menu);
  if (!m) return;
  std::vector<HMENU> popups;
  for (const MenuItem& item : m->items)
    if (item.popup) popups.push_back(item.popup);
  Menus().menus.erase(reinterpret_cast<uintptr_t>(menu));
  for (HMENU p : popups) Destroy(p);
}

// Reads a menu template within its bytes. Every level must end with MF_END.
class TemplateReader {
 public:
  TemplateReader(const BYTE* data, size_t size) : data_(data), size_(size) {}

  HMENU Read() {
    WORD version = 0, offset = 0;
    if (!Word(version) || !Word(offset) || version != 0 || offset > size_ - at_) return nullptr;
    at_ += offset;
    HMENU menu = NewMenu();
    if (!Level(menu, 0)) {
      Destroy(menu);
      return nullptr;
    }
    return menu;
  }

 private:
  bool Word(WORD& out) {
    if (size_ - at_ < 2) return false;
    out = WORD(data_[at_] | (data_[at_ + 1] << 8));
    at_ += 2;
    return true;
  }

  bool Text(std::string& out) {
    std::u16string units;
    for (;;) {
      WORD u = 0;
      if (!Word(u)) return false;
      if (u == 0) break;
      units.push_back(char16_t(u));
    }
    out = WideToAnsi(reinterpret_cast<const WCHAR*>(units.data()), units.size());
    return true;
  }

  bool Level(HMENU menu, int depth) {
    if (depth > kMaxDepth) return false;
    for (;;) {
      WORD option = 0, id = 0;
      MenuItem item;
      if (!Word(option)) return false;
      if (!(option & MF_POPUP) && !Word(id)) return false;
      if (!Text(item.text)) return false;
      item.flags = option & (kStateFlags | MF_POPUP | MF_SEPARATOR);
      item.id = id;
      if (option & MF_POPUP) {
        item.popup = NewMenu();
        FindMenuRecord(item.popup)->parent = menu;
        item.id = 0;
        MenuRecord* m = FindMenuRecord(menu);
        m->items.push_back(item);
        if (m->items.size() > kMaxItems || !Level(item.popup, depth + 1)) return false;
      } else {
        // The resource compiler writes a separator as an item without command or text.
        if (id == 0 && item.text.empty()) item.flags = (item.flags & ~kStateFlags) | MF_SEPARATOR;
        MenuRecord* m = FindMenuRecord(menu);
        m->items.push_back(item);
        if (m->items.size() > kMaxItems) return false;
      }
      if (option & MF_END) return true;
    }
  }

  const BYTE* data_;
  size_t size_;
  size_t at_ = 0;
};

// The item an MF_BYCOMMAND or MF_BYPOSITION call names, looking into popups for a command.
MenuItem* FindItem(HMENU menu, UINT item, UINT flags, int depth = 0) {
  MenuRecord* m = FindMenuRecord(menu);
  if (!m || depth > kMaxDepth) return nullptr;
  if (flags & MF_BYPOSITION) return item < m->items.size() ? &m->items[item] : nullptr;
  for (MenuItem& i : m->items) {
    if (i.popup) {
      if (MenuItem* found = FindItem(i.popup, item, flags, depth + 1)) return found;
    } else if (!(i.flags & MF_SEPARATOR) && i.id == item) {
      return &i;
    }
  }
  return nullptr;
}

bool IsAncestorOrSelf(HMENU candidate, HMENU menu) {
  int depth = 0;
  for (HMENU h = menu; h && depth <= kMaxDepth + 1; ++depth) {
    if (h == candidate) return true;
    MenuRecord* m = FindMenuRecord(h);
    h = m ? m->parent : nullptr;
  }
  return false;
}

}  // namespace

MenuRecord* FindMenuRecord(HMENU menu) {
  auto& menus = Menus().menus;
  auto it = menus.find(reinterpret_cast<uintptr_t>(menu));
  return it == menus.end() ? nullptr : it->second.get();
}

bool MenuItemSelectable(const MenuItem& item) {
  return !(item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED));
}

char MenuMnemonic(const std::string& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&') return char(std::tolower(static_cast<unsigned char>(text[i + 1])));
    ++i;  // "&&" is a plain '&'
  }
  return 0;
}

void ResetMenus() {
  Menus().menus.clear();
}

HMENU LoadMenuIndirectA(const void* menuTemplate) {
  if (!menuTemplate) return nullptr;
  return TemplateReader(static_cast<const BYTE*>(menuTemplate), kMaxTemplateBytes).Read();
}

HMENU LoadMenuA(HINSTANCE instance, LPCSTR name) {
  DWORD size = 0;
  const BYTE* bytes = FindModuleResource(instance, name, RT_MENU, &size);
  if (!bytes) return nullptr;
  return TemplateReader(bytes, std::min<size_t>(size, kMaxTemplateBytes)).Read();
}

HMENU LoadClassMenu(LPCSTR menuName, HINSTANCE classInstance, HINSTANCE windowInstance) {
  if (!menuName) return nullptr;
  HMENU menu = LoadMenuA(classInstance, menuName);
  if (!menu && windowInstance != classInstance) menu = LoadMenuA(windowInstance, menuName);
  return menu;
}

HMENU CreateMenu() { return NewMenu(); }
HMENU CreatePopupMenu() { return NewMenu(); }

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text) {
  MenuRecord* m = FindMenuRecord(menu);
  if (!m || m->items.size() >= kMaxItems) return FALSE;
  MenuItem item;
  item.flags = flags & (kStateFlags | MF_POPUP | MF_SEPARATOR);
  if (flags & MF_POPUP) {
    HMENU popup = reinterpret_cast<HMENU>(id);
    MenuRecord* p = FindMenuRecord(popup);
    // A popup sits in one place only, and never inside itself.
    if (!p || p->parent || IsAncestorOrSelf(popup, menu)) return FALSE;
    p->parent = menu;
    item.popup = popup;
  } else if (!(flags & MF_SEPARATOR)) {
    item.id = UINT(id & 0xFFFF);
  }
  if (!(flags & MF_SEPARATOR) && text) item.text = text;
  m->items.push_back(std::move(item));
  return TRUE;
}

BOOL DestroyMenu(HMENU menu) {
  MenuRecord* m = FindMenuRecord(menu);
  if (!m) return FALSE;
  // Taken out of its parent, so that the parent holds no stale popup.
  if (MenuRecord* parent = FindMenuRecord(m->parent)) {
    auto& items = parent->items;
    items.erase(std::remove_if(items.begin(), items.end(),
                               [menu](const MenuItem& i) { return i.popup == menu; }),
                items.end());
  }
  for (auto& [key, w] : Windows().windows)
    if (IsTopLevel(*w) && w->menu == menu) w->menu = nullptr;
  Destroy(menu);
  return TRUE;
}

BOOL IsMenu(HMENU menu) { return FindMenuRecord(menu) != nullptr; }

HMENU GetSubMenu(HMENU menu, int position) {
  MenuRecord* m = FindMenuRecord(menu);
  if (!m || position < 0 || size_t(position) >= m->items.size()) return nullptr;
  return m->items[size_t(position)].popup;
}

int GetMenuItemCount(HMENU menu) {
  MenuRecord* m = FindMenuRecord(menu);
  return m ? int(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  MenuRecord* m = FindMenuRecord(menu);
  if (!m || position < 0 || size_t(position) >= m->items.size()) return UINT(-1);
  const MenuItem& item = m->items[size_t(position)];
  return item.popup ? UINT(-1) : item.id;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR text, int size, UINT flags) {
  const MenuItem* i = FindItem(menu, item, flags);
  if (!i) {
    if (text && size > 0) text[0] = '\0';
    return 0;
  }
  if (!text || size <= 0) return int(i->text.size());
  const size_t n = std::min(i->text.size(), size_t(size) - 1);
  std::memcpy(text, i->text.data(), n);
  text[n] = '\0';
  return int(n);
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  const MenuItem* i = FindItem(menu, item, flags);
  if (!i) return UINT(-1);
  if (!i->popup) return i->flags;
  const UINT count = UINT(std::min<size_t>(FindMenuRecord(i->popup)->items.size(), 0xFF));
  return (count << 8) | (i->flags & 0xFF) | MF_POPUP;
}

UINT EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  MenuItem* i = FindItem(menu, item, enable);
  if (!i) return UINT(-1);
  const UINT before = i->flags & (MF_GRAYED | MF_DISABLED);
  i->flags = (i->flags & ~UINT(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return before;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
  MenuItem* i = FindItem(menu, item, check);
  if (!i) return DWORD(-1);
  const DWORD before = i->flags & MF_CHECKED;
  i->flags = (i->flags & ~UINT(MF_CHECKED)) | (check & MF_CHECKED);
  return before;
}

HMENU GetMenu(HWND window) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w || !IsTopLevel(*w) || !w->menuBar) return nullptr;
  return w->menu;
}

BOOL SetMenu(HWND window, HMENU menu) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w || !IsTopLevel(*w) || (menu && !FindMenuRecord(menu))) return FALSE;
  w->menu = menu;
  w->menuBar = menu != nullptr;
  // The client area gives up (or takes back) the bar's height; the outer size stays.
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}
