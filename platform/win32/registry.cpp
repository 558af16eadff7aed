// The registry, read only and in memory. The system reads one value, the media folder, and
// writes nothing; on this host the store is empty until a test fills it, so the media search
// ends after the environment step just as it does on a machine without the key.
#include <windows.h>

#include "testing/win32_hooks.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Value {
  std::string name;  // folded
  DWORD type;
  std::vector<BYTE> data;
};

struct Key {
  HKEY root;
  std::string path;  // folded components joined by '\', "" for the root itself
  std::vector<Value> values;
};

// What an open handle points at: a place, not a Key, so clearing the store leaves it valid.
struct OpenKey {
  HKEY root;
  std::string path;
};

struct Registry {
  std::vector<Key> keys;
  std::vector<std::unique_ptr<OpenKey>> open;
};

// Never destroyed, like the message-box state: exit routines may still read it.
Registry& Store() {
  static Registry* registry = new Registry;
  return *registry;
}

bool IsRoot(HKEY key) {
  return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE ||
         key == HKEY_USERS;
}

std::string Fold(LPCSTR text) {
  std::string out = text ? text : "";
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c + ('a' - 'A'));
  return out;
}

// Appends the components of `subKey` to `path`; empty components ("a\\b", a trailing '\') are
// skipped.
std::string Join(const std::string& path, LPCSTR subKey) {
  std::string out = path;
  std::string folded = Fold(subKey);
  size_t pos = 0;
  while (pos <= folded.size()) {
    size_t end = std::min(folded.find('\\', pos), folded.size());
    if (end > pos) {
      if (!out.empty()) out += '\\';
      out.append(folded, pos, end - pos);
    }
    pos = end + 1;
  }
  return out;
}

Key* FindKey(HKEY root, const std::string& path) {
  for (Key& key : Store().keys)
    if (key.root == root && key.path == path) return &key;
  return nullptr;
}

Key& MakeKey(HKEY root, const std::string& path) {
  // Every key on the way exists too, as it would after creating the deepest one.
  for (size_t sep = path.find('\\'); sep != std::string::npos; sep = path.find('\\', sep + 1))
    if (!FindKey(root, path.substr(0, sep)))
      Store().keys.push_back({root, path.substr(0, sep), {}});
  if (Key* key = FindKey(root, path)) return *key;
  Store().keys.push_back({root, path, {}});
  return Store().keys.back();
}

// Where a handle points: a predefined root or a key opened from one.
bool Locate(HKEY handle, HKEY& root, std::string& path) {
  if (IsRoot(handle)) {
    root = handle;
    path.clear();
    return true;
  }
  for (const auto& open : Store().open) {
    if (reinterpret_cast<HKEY>(open.get()) == handle) {
      root = open->root;
      path = open->path;
      return true;
    }
  }
  return false;
}

constexpr REGSAM kWriteAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK |
                                0x00010000 /* DELETE */ | 0x00040000 /* WRITE_DAC */ |
                                0x00080000 /* WRITE_OWNER */ | 0x10000000 /* GENERIC_ALL */ |
                                0x40000000 /* GENERIC_WRITE */;

}  // namespace

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM samDesired, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  HKEY root;
  std::string path;
  if (!Locate(key, root, path)) return ERROR_INVALID_HANDLE;
  if (samDesired & kWriteAccess) return ERROR_ACCESS_DENIED;
  path = Join(path, subKey);
  if (!path.empty() && !FindKey(root, path)) return ERROR_FILE_NOT_FOUND;
  Store().open.push_back(std::make_unique<OpenKey>(OpenKey{root, path}));
  *result = reinterpret_cast<HKEY>(Store().open.back().get());
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD cbData) {
  if (reserved || (data && !cbData)) return ERROR_INVALID_PARAMETER;
  HKEY root;
  std::string path;
  if (!Locate(key, root, path)) return ERROR_INVALID_HANDLE;
  const Key* found = FindKey(root, path);
  const std::string name = Fold(valueName);
  const Value* value = nullptr;
  if (found)
    for (const Value& v : found->values)
      if (v.name == name) value = &v;
  if (!value) return ERROR_FILE_NOT_FOUND;

  if (type) *type = value->type;
  const DWORD size = DWORD(value->data.size());
  if (!cbData) return ERROR_SUCCESS;
  const DWORD room = *cbData;
  *cbData = size;
  if (!data) return ERROR_SUCCESS;
  if (room < size) return ERROR_MORE_DATA;
  std::copy(value->data.begin(), value->data.end(), data);
  return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
  if (IsRoot(key)) return ERROR_SUCCESS;
  auto& open = Store().open;
  auto it = std::find_if(open.begin(), open.end(),
                         [key](const auto& o) { return reinterpret_cast<HKEY>(o.get()) == key; });
  if (it == open.end()) return ERROR_INVALID_HANDLE;
  open.erase(it);
  return ERROR_SUCCESS;
}

void TestAddRegistryKey(HKEY root, LPCSTR subKey) {
  if (IsRoot(root)) MakeKey(root, Join("", subKey));
}

void TestSetRegistryValue(HKEY root, LPCSTR subKey, LPCSTR valueName, DWORD type, const void* data,
                          DWORD size) {
  if (!IsRoot(root)) return;
  Key& key = MakeKey(root, Join("", subKey));
  const auto* bytes = static_cast<const BYTE*>(data);
  Value value{Fold(valueName), type,
              bytes ? std::vector<BYTE>(bytes, bytes + size) : std::vector<BYTE>()};
  // Readers use a string value as C text, so it always ends in a terminator.
  if ((type == REG_SZ || type == REG_EXPAND_SZ) && (value.data.empty() || value.data.back() != 0))
    value.data.push_back(0);
  for (Value& v : key.values) {
    if (v.name == value.name) {
      v = std::move(value);
      return;
    }
  }
  key.values.push_back(std::move(value));
}

void TestSetRegistryString(HKEY root, LPCSTR subKey, LPCSTR valueName, LPCSTR value) {
  std::string text = value ? value : "";
  TestSetRegistryValue(root, subKey, valueName, REG_SZ, text.c_str(), DWORD(text.size() + 1));
}

void TestClearRegistry() {
  Store().keys.clear();
}
