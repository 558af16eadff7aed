// Accelerator tables: keys that stand for menu commands. Handles are keys into a table, never
// pointers, and are not given out twice.
#include "win32/module_resources.h"
#include "win32/window_internal.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

constexpr uintptr_t kAccelBase = 0x00E00000;
constexpr uintptr_t kHandleStep = 4;
constexpr BYTE kKnownFlags = FVIRTKEY | FNOINVERT | FSHIFT | FCONTROL | FALT;
// Entries of a resource table: flags, key, command, padding.
constexpr size_t kResourceEntrySize = 8;
constexpr WORD kLastEntry = 0x80;
constexpr int kMaxEntries = 4096;

struct AccelTables {
  std::map<uintptr_t, std::vector<ACCEL>> tables;
  uintptr_t next = kAccelBase;
};

AccelTables& Tables() {
  static auto* tables = new AccelTables;
  return *tables;
}

std::vector<ACCEL>* Find(HACCEL table) {
  auto& tables = Tables().tables;
  auto it = tables.find(reinterpret_cast<uintptr_t>(table));
  return it == tables.end() ? nullptr : &it->second;
}

HACCEL Add(std::vector<ACCEL> entries) {
  AccelTables& t = Tables();
  const uintptr_t handle = t.next;
  t.next += kHandleStep;
  t.tables.emplace(handle, std::move(entries));
  return reinterpret_cast<HACCEL>(handle);
}

WORD ReadWord(const BYTE* p) { return WORD(p[0] | (p[1] << 8)); }

bool Down(int vk) { return GetKeyState(vk) < 0; }

bool Matches(const ACCEL& a, const MSG& msg) {
  const bool virtualKey = a.fVirt & FVIRTKEY;
  const bool keyMessage = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
  const bool charMessage = msg.message == WM_CHAR || msg.message == WM_SYSCHAR;
  if (virtualKey ? !keyMessage : !charMessage) return false;
  if (virtualKey) {
    if (a.key != (msg.wParam & 0xFF)) return false;
    // Alt shows in the message itself too: a system key with bit 29 set.
    const bool alt = Down(VK_MENU) ||
                     (msg.message == WM_SYSKEYDOWN && (HIWORD(msg.lParam) & KF_ALTDOWN));
    return bool(a.fVirt & FSHIFT) == Down(VK_SHIFT) &&
           bool(a.fVirt & FCONTROL) == Down(VK_CONTROL) && bool(a.fVirt & FALT) == alt;
  }
  // A character entry: the character itself, Alt only through WM_SYSCHAR.
  return a.key == (msg.wParam & 0xFFFF) &&
         bool(a.fVirt & FALT) == (msg.message == WM_SYSCHAR);
}

}  // namespace

HACCEL CreateAcceleratorTableA(LPACCEL entries, int count) {
  if (!entries || count <= 0 || count > kMaxEntries) return nullptr;
  std::vector<ACCEL> table(entries, entries + count);
  for (ACCEL& a : table) a.fVirt &= kKnownFlags;
  return Add(std::move(table));
}

HACCEL LoadAcceleratorsA(HINSTANCE instance, LPCSTR name) {
  DWORD size = 0;
  const BYTE* bytes = FindModuleResource(instance, name, RT_ACCELERATOR, &size);
  if (!bytes) return nullptr;
  std::vector<ACCEL> table;
  bool ended = false;
  for (size_t at = 0; at + kResourceEntrySize <= size && !ended; at += kResourceEntrySize) {
    const WORD flags = ReadWord(bytes + at);
    table.push_back(ACCEL{BYTE(flags & kKnownFlags), ReadWord(bytes + at + 2),
                          ReadWord(bytes + at + 4)});
    ended = flags & kLastEntry;
  }
  // A table without its last-entry mark is cut short: refuse it rather than guess.
  if (!ended || table.empty() || table.size() > size_t(kMaxEntries)) return nullptr;
  return Add(std::move(table));
}

BOOL DestroyAcceleratorTable(HACCEL table) {
  return Tables().tables.erase(reinterpret_cast<uintptr_t>(table)) ? TRUE : FALSE;
}

int CopyAcceleratorTableA(HACCEL table, LPACCEL entries, int count) {
  const std::vector<ACCEL>* t = Find(table);
  if (!t) return 0;
  if (!entries) return int(t->size());
  const int n = std::min(count, int(t->size()));
  if (n <= 0) return 0;
  std::copy_n(t->begin(), n, entries);
  return n;
}

int TranslateAcceleratorA(HWND window, HACCEL table, LPMSG msg) {
  const std::vector<ACCEL>* t = Find(table);
  if (!t || !msg || !IsWindow(window)) return 0;
  for (const ACCEL& a : *t) {
    if (!Matches(a, *msg)) continue;
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
    return 1;
  }
  return 0;
}
