// File names the Windows way on a case-sensitive host: backslashes become slashes and, where
// the exact path does not exist, each component is matched without regard to letter case.
#include <windows.h>

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <strings.h>

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// Finds the entry of `dir` whose name equals `name` without regard to ASCII case.
bool MatchComponent(const std::string& dir, const std::string& name, std::string& found) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return false;
  bool ok = false;
  while (dirent* e = ::readdir(d)) {
    if (::strcasecmp(e->d_name, name.c_str()) == 0) {
      found = e->d_name;
      ok = true;
      break;
    }
  }
  ::closedir(d);
  return ok;
}

std::string HostSpelling(LPCSTR name) {
  std::string path(name);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

bool Resolve(LPCSTR name, std::string& out) {
  if (!name || !*name) return false;
  std::string path = HostSpelling(name);
  if (Exists(path)) {
    out = path;
    return true;
  }
  std::string built = path[0] == '/' ? "/" : "";
  size_t pos = built.size();
  while (pos <= path.size()) {
    size_t end = path.find('/', pos);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty()) continue;
    std::string dir = built.empty() ? "." : built;
    std::string candidate = built + part;
    if (part != "." && part != ".." && !Exists(candidate)) {
      std::string found;
      if (!MatchComponent(dir, part, found)) return false;
      candidate = built + found;
    }
    built = candidate;
    if (end < path.size()) built += '/';
  }
  if (!Exists(built)) return false;
  out = built;
  return true;
}

}  // namespace

BOOL PlatformResolvePath(LPCSTR name, char* out, size_t outSize) {
  std::string path;
  if (!Resolve(name, path) || !out || path.size() + 1 > outSize) return FALSE;
  std::memcpy(out, path.c_str(), path.size() + 1);
  return TRUE;
}

FILE* PlatformOpenFile(LPCSTR name, LPCSTR mode) {
  if (!name || !mode) return nullptr;
  std::string path;
  if (Resolve(name, path)) return std::fopen(path.c_str(), mode);
  // Not there under any spelling: creating modes still get the host spelling of the name.
  if (mode[0] == 'r') return nullptr;
  return std::fopen(HostSpelling(name).c_str(), mode);
}
