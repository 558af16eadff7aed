// File names the Windows way on a case-sensitive host: backslashes become slashes and, where
// the exact path does not exist, each component is matched without regard to letter case.
// Reading opens only regular files: anything else would block or never end.
#include "win32/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
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

std::string HostSpelling(const char* name) {
  std::string path(name);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

bool Resolve(const char* name, std::string& out) {
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

// A regular file read through the C library, no further than its size at opening.
struct CappedFile {
  int fd;
  off_t size;
  off_t pos;
};

ssize_t CappedRead(void* cookie, char* buf, size_t len) {
  auto* f = static_cast<CappedFile*>(cookie);
  if (f->pos >= f->size) return 0;
  const size_t left = size_t(f->size - f->pos);
  ssize_t n;
  do n = ::pread(f->fd, buf, len < left ? len : left, f->pos);
  while (n < 0 && errno == EINTR);
  if (n > 0) f->pos += n;
  return n;
}

int CappedSeek(void* cookie, off64_t* offset, int whence) {
  auto* f = static_cast<CappedFile*>(cookie);
  off64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->pos : f->size;
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
  const off64_t to = base + *offset;
  if (to < 0) {
    errno = EINVAL;
    return -1;
  }
  f->pos = off_t(to);
  *offset = to;
  return 0;
}

int CappedClose(void* cookie) {
  auto* f = static_cast<CappedFile*>(cookie);
  const int r = ::close(f->fd);
  delete f;
  return r;
}

FILE* OpenForReading(const std::string& path) {
  // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer; it is refused below.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = ENOENT;
    return nullptr;
  }
  auto* cookie = new (std::nothrow) CappedFile{fd, st.st_size, 0};
  if (!cookie) {
    ::close(fd);
    errno = ENOMEM;
    return nullptr;
  }
  static const cookie_io_functions_t kCapped{CappedRead, nullptr, CappedSeek, CappedClose};
  FILE* f = ::fopencookie(cookie, "r", kCapped);
  if (!f) CappedClose(cookie);
  return f;
}

}  // namespace

extern "C" FILE* __real_fopen(const char* name, const char* mode);

FILE* OpenHostFile(const char* name, const char* mode) {
  if (!name || !mode) {
    errno = EINVAL;
    return nullptr;
  }
  std::string path;
  const bool found = Resolve(name, path);
  if (mode[0] == 'r' && !std::strchr(mode, '+')) {
    if (!found) {
      errno = ENOENT;
      return nullptr;
    }
    return OpenForReading(path);
  }
  // Writing: an existing file under any spelling, else the new name in its folder's spelling.
  if (!found) {
    path = HostSpelling(name);
    const size_t slash = path.rfind('/');
    std::string folder;
    if (slash != std::string::npos && slash > 0 && Resolve(path.substr(0, slash).c_str(), folder))
      path = folder + path.substr(slash);
  }
  return __real_fopen(path.c_str(), mode);
}

bool ResolveHostPath(const char* name, std::string& out) { return Resolve(name, out); }

// The link sends every fopen of the programs here (-Wl,--wrap=fopen). Out of memory is a file
// that cannot be opened, never an exception through the caller.
extern "C" FILE* __wrap_fopen(const char* name, const char* mode) {
  try {
    return OpenHostFile(name, mode);
  } catch (...) {
    errno = ENOMEM;
    return nullptr;
  }
}
