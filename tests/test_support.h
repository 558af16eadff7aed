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

}  // namespace velta_test
