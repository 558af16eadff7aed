// The resources of a module's image: what the resource compiler put in the executable. The
// program hands its table over before its entry point runs; FindResourceA and the calls after it
// read the platform's own copy. Handles are keys into that table, never pointers.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <strings.h>
#include <vector>

namespace {

constexpr uintptr_t kFoundBase = 0x00D00000;   // HRSRC
constexpr uintptr_t kLoadedBase = 0x00D80000;  // HGLOBAL
constexpr uintptr_t kHandleStep = 4;
// A resource larger than this is a broken table, not a resource.
constexpr DWORD kMaxResourceSize = 1u << 20;
constexpr size_t kMaxResources = 4096;

// A type or a name: a number (MAKEINTRESOURCEA) or a text.
struct ResourceKey {
  bool byNumber = false;
  WORD number = 0;
  std::string text;

  static ResourceKey Of(LPCSTR name) {
    ResourceKey k;
    if (IS_INTRESOURCE(name)) {
      k.byNumber = true;
      k.number = WORD(reinterpret_cast<ULONG_PTR>(name));
    } else {
      k.text = name;
    }
    return k;
  }
  bool Matches(LPCSTR name) const {
    if (IS_INTRESOURCE(name)) return byNumber && number == WORD(reinterpret_cast<ULONG_PTR>(name));
    return !byNumber && strcasecmp(text.c_str(), name) == 0;
  }
};

struct Resource {
  HMODULE module = nullptr;
  ResourceKey type;
  ResourceKey name;
  std::vector<BYTE> bytes;
  bool replaced = false;  // a later registration stands in its place
};

// Entries are never removed, so handles and locked pointers stay valid for the program's life.
std::vector<std::unique_ptr<Resource>>& Table() {
  static auto* table = new std::vector<std::unique_ptr<Resource>>;
  return *table;
}

HMODULE Owner(HMODULE module) { return module ? module : GetModuleHandleA(nullptr); }

bool ValidName(LPCSTR name) {
  if (!name) return false;
  return IS_INTRESOURCE(name) || *name != '\0';
}

Resource* Decode(const void* handle, uintptr_t base) {
  const uintptr_t v = reinterpret_cast<uintptr_t>(handle);
  if (v < base || (v - base) % kHandleStep != 0) return nullptr;
  const size_t index = (v - base) / kHandleStep;
  auto& table = Table();
  return index < table.size() ? table[index].get() : nullptr;
}

void* Encode(const Resource* r, uintptr_t base) {
  auto& table = Table();
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i].get() == r) return reinterpret_cast<void*>(base + i * kHandleStep);
  return nullptr;
}

}  // namespace

BOOL PlatformRegisterResources(HMODULE module, const MODULE_RESOURCE* entries, UINT count) {
  if (!module || (!entries && count)) return FALSE;
  for (UINT i = 0; i < count; ++i) {
    const MODULE_RESOURCE& e = entries[i];
    if (!ValidName(e.type) || !ValidName(e.name) || (!e.data && e.size) ||
        e.size > kMaxResourceSize)
      return FALSE;
  }
  auto& table = Table();
  if (table.size() + count > kMaxResources) return FALSE;
  for (UINT i = 0; i < count; ++i) {
    const MODULE_RESOURCE& e = entries[i];
    for (auto& r : table)
      if (r->module == module && r->type.Matches(e.type) && r->name.Matches(e.name))
        r->replaced = true;
    auto r = std::make_unique<Resource>();
    r->module = module;
    r->type = ResourceKey::Of(e.type);
    r->name = ResourceKey::Of(e.name);
    r->bytes.assign(e.data, e.data + e.size);
    table.push_back(std::move(r));
  }
  return TRUE;
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (!ValidName(name) || !ValidName(type)) return nullptr;
  module = Owner(module);
  for (auto& r : Table())
    if (!r->replaced && r->module == module && r->type.Matches(type) && r->name.Matches(name))
      return static_cast<HRSRC>(Encode(r.get(), kFoundBase));
  return nullptr;
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  Resource* r = Decode(resource, kFoundBase);
  if (!r || r->module != Owner(module)) return nullptr;
  return Encode(r, kLoadedBase);
}

LPVOID LockResource(HGLOBAL loaded) {
  Resource* r = Decode(loaded, kLoadedBase);
  if (!r) return nullptr;
  // An empty resource still locks to a valid address.
  static BYTE empty = 0;
  return r->bytes.empty() ? &empty : r->bytes.data();
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
  Resource* r = Decode(resource, kFoundBase);
  if (!r || r->module != Owner(module)) return 0;
  return DWORD(r->bytes.size());
}

const BYTE* FindModuleResource(HMODULE module, LPCSTR name, LPCSTR type, DWORD* size) {
  HRSRC found = FindResourceA(module, name, type);
  if (size) *size = found ? SizeofResource(module, found) : 0;
  if (!found) return nullptr;
  return static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
}
