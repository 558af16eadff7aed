// Shared pieces of the fuzz targets: a private scratch folder to write inputs into, and
// message boxes that are answered without being shown.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "win32/message_box.h"

namespace velta_fuzz {

inline int QuietBox(HWND, LPCSTR, LPCSTR, UINT type) { return MessageBoxDefaultButton(type); }

// A folder of this process (in memory where the host offers one) for the input files. The media
// search finds bitmaps there through D3DPATH; the working folder stays where libFuzzer keeps
// its corpus.
inline const std::filesystem::path& Scratch() {
  static const std::filesystem::path dir = [] {
    std::filesystem::path base =
        std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::filesystem::path d = base / ("velta-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    ::setenv("D3DPATH", d.c_str(), 1);
    SetMessageBoxPresenter(QuietBox);
    return d;
  }();
  return dir;
}

// Writes the bytes to `name` in the scratch folder and returns the file's full path.
inline std::string WriteFile(const char* name, const uint8_t* data, size_t size) {
  std::string path = (Scratch() / name).string();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

}  // namespace velta_fuzz
