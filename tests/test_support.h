// Small helpers shared by the test programs: scratch folders and files.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace velta_test {

// A fresh folder under the system's temp directory, removed again at the end of the scope.
class ScratchDir {
 public:
  ScratchDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("velta-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

  // Writes `bytes` to `name` inside the folder and returns the full path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::filesystem::path p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }

 private:
  std::filesystem::path path_;
};

// Runs the rest of the scope with the working directory changed, as the viewer runs in media/.
class WorkingDir {
 public:
  explicit WorkingDir(const std::filesystem::path& p) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(p);
  }
  ~WorkingDir() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

// The shared corpus of real files, or empty when it is not there.
inline std::string CorpusDir() {
  const char* env = std::getenv("VELTA_CORPUS");
  std::string dir = env ? env : "";
  if (dir.empty() || !std::filesystem::exists(dir)) return "";
  return dir;
}

// A plain 24-bit bottom-up bitmap file of one colour.
inline std::string SolidBmp24(int width, int height, unsigned char r, unsigned char g,
                              unsigned char b) {
  int stride = (width * 3 + 3) & ~3;
  unsigned size = 54u + static_cast<unsigned>(stride * height);
  std::string f(size, '\0');
  auto put = [&f](size_t at, unsigned v, int bytes) {
    for (int i = 0; i < bytes; ++i) f[at + i] = static_cast<char>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put(2, size, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<unsigned>(width), 4);
  put(22, static_cast<unsigned>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      size_t at = 54u + static_cast<size_t>(y * stride + x * 3);
      f[at] = static_cast<char>(b);
      f[at + 1] = static_cast<char>(g);
      f[at + 2] = static_cast<char>(r);
    }
  return f;
}

}  // namespace velta_test
