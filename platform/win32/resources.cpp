// The resources of a module's image: what the resource compiler put in the executable. The
// build embeds the program's compiled resource file (.res) and hands it over before the entry
// point runs; FindResourceA and the calls after it read the platform's own copy. Handles are keys
// into that table, never pointers.
#include <windows.h>

#include "testing/win32_hooks.h"
#include "win32/module_resources.h"

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

BOOL TestRegisterResources(HMODULE module, const MODULE_RESOURCE* entries, UINT count) {
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

namespace {

// Reads a .res file: resource headers, each followed by its data, both padded to four bytes.
class ResReader {
 public:
  ResReader(const BYTE* bytes, size_t size) : b_(bytes), size_(size) {}
  bool Dword(size_t at, DWORD& v) const {
    if (at > size_ || size_ - at < 4) return false;
    v = DWORD(b_[at]) | DWORD(b_[at + 1]) << 8 | DWORD(b_[at + 2]) << 16 | DWORD(b_[at + 3]) << 24;
    return true;
  }
  bool Word(size_t at, WORD& v) const {
    if (at > size_ || size_ - at < 2) return false;
    v = WORD(b_[at] | b_[at + 1] << 8);
    return true;
  }
  // A type or a name: 0xFFFF and a number, or a UTF-16 text (kept as its ASCII letters; the
  // lookups compare texts without regard to case). `at` moves past it.
  bool Key(size_t& at, size_t end, ResourceKey& key) const {
    WORD w;
    if (at + 2 > end || !Word(at, w)) return false;
    if (w == 0xFFFF) {
      if (at + 4 > end || !Word(at + 2, key.number)) return false;
      key.byNumber = true;
      at += 4;
      return true;
    }
    key.byNumber = false;
    key.text.clear();
    for (;;) {
      if (at + 2 > end || !Word(at, w)) return false;
      at += 2;
      if (!w) break;
      key.text.push_back(w < 0x80 ? char(w) : '?');
    }
    return !key.text.empty();
  }
  const BYTE* At(size_t at) const { return b_ + at; }
  size_t Size() const { return size_; }

 private:
  const BYTE* b_;
  size_t size_;
};

size_t Pad4(size_t v) { return (v + 3) & ~size_t(3); }

}  // namespace

BOOL RegisterResourceFile(HMODULE module, const BYTE* bytes, size_t size) {
  if (!module || !bytes) return FALSE;
  const ResReader res(bytes, size);
  struct Found {
    ResourceKey type, name;
    size_t data;
    DWORD size;
  };
  std::vector<Found> found;
  size_t at = 0;
  while (at < res.Size()) {
    DWORD dataSize, headerSize;
    if (!res.Dword(at, dataSize) || !res.Dword(at + 4, headerSize)) return FALSE;
    // The header: both sizes, type, name, then five fields of 16 bytes in all.
    if (headerSize < 32 || headerSize > res.Size() - at || dataSize > kMaxResourceSize) return FALSE;
    const size_t headerEnd = at + headerSize;
    if (dataSize > res.Size() - headerEnd) return FALSE;
    Found f;
    size_t key = at + 8;
    if (!res.Key(key, headerEnd, f.type) || !res.Key(key, headerEnd, f.name)) return FALSE;
    if (Pad4(key) + 16 > headerEnd) return FALSE;
    f.data = headerEnd;
    f.size = dataSize;
    // The file opens with an empty entry of type 0 that only marks it as 32-bit.
    if (!(f.type.byNumber && f.type.number == 0)) found.push_back(f);
    at = Pad4(headerEnd + dataSize);
    if (found.size() > kMaxResources) return FALSE;
  }
  std::vector<MODULE_RESOURCE> entries;
  for (const Found& f : found) {
    const LPCSTR type =
        f.type.byNumber ? MAKEINTRESOURCEA(f.type.number) : f.type.text.c_str();
    const LPCSTR name =
        f.name.byNumber ? MAKEINTRESOURCEA(f.name.number) : f.name.text.c_str();
    entries.push_back(MODULE_RESOURCE{type, name, res.At(f.data), f.size});
  }
  return TestRegisterResources(module, entries.data(), UINT(entries.size()));
}
