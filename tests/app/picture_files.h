// Pictures to and from .bmp files for the picture tests: 8-bit (colour table) and 24-bit
// uncompressed files in, 24-bit files out, and a box-filtered reduction.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "app_fixture.h"

namespace velta_test {

inline uint32_t LeBytes(const std::string& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint32_t(uint8_t(b[at + size_t(i)])) << (8 * i);
  return v;
}

// False for anything else (RLE, other depths, a short file).
inline bool ReadBmpFile(const std::string& path, Picture& p) {
  std::ifstream in(path, std::ios::binary);
  const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || LeBytes(b, 30, 4) != 0) return false;
  const uint32_t bits = LeBytes(b, 28, 2);
  if (bits != 8 && bits != 24) return false;
  const uint32_t offset = LeBytes(b, 10, 4);
  const uint32_t headerSize = LeBytes(b, 14, 4);
  const int width = int32_t(LeBytes(b, 18, 4));
  const int rawHeight = int32_t(LeBytes(b, 22, 4));
  const int height = rawHeight < 0 ? -rawHeight : rawHeight;
  if (width <= 0 || width > 4096 || height <= 0 || height > 4096) return false;
  const size_t stride = (size_t(width) * (bits / 8) + 3) & ~size_t(3);
  if (b.size() < offset + stride * size_t(height) || offset < 14 + headerSize) return false;
  uint32_t colors = bits == 8 ? LeBytes(b, 46, 4) : 0;
  if (bits == 8 && (colors == 0 || colors > 256)) colors = 256;
  if (14 + headerSize + 4 * size_t(colors) > offset) return false;
  p.width = width;
  p.height = height;
  p.pixels.assign(size_t(width) * size_t(height), 0);
  for (int y = 0; y < height; ++y) {
    const size_t row = offset + size_t(rawHeight < 0 ? y : height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      uint32_t c = 0;
      if (bits == 24) {
        c = LeBytes(b, row + size_t(x) * 3, 3);
      } else {
        const uint32_t index = uint8_t(b[row + size_t(x)]);
        if (index < colors) c = LeBytes(b, 14 + headerSize + 4 * size_t(index), 3);
      }
      p.pixels[size_t(y) * size_t(width) + size_t(x)] = c;
    }
  }
  return true;
}

inline bool WriteBmpFile(const std::string& path, const Picture& p) {
  const size_t stride = (size_t(p.width) * 3 + 3) & ~size_t(3);
  std::string f(54 + stride * size_t(p.height), '\0');
  auto put = [&f](size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) f[at + size_t(i)] = char(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put(2, uint32_t(f.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, uint32_t(p.width), 4);
  put(22, uint32_t(p.height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      put(54 + size_t(p.height - 1 - y) * stride + size_t(x) * 3, p.At(x, y), 3);
  std::ofstream out(path, std::ios::binary);
  out << f;
  return bool(out);
}

// Each pixel the mean of a `factor` x `factor` block.
inline Picture Reduce(const Picture& p, int factor) {
  Picture r;
  r.width = p.width / factor;
  r.height = p.height / factor;
  r.pixels.resize(size_t(r.width) * size_t(r.height));
  const uint32_t n = uint32_t(factor * factor);
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x) {
      uint32_t sum[3] = {0, 0, 0};
      for (int j = 0; j < factor; ++j)
        for (int i = 0; i < factor; ++i) {
          const uint32_t c = p.At(x * factor + i, y * factor + j);
          for (int k = 0; k < 3; ++k) sum[k] += (c >> (8 * k)) & 0xFF;
        }
      uint32_t c = 0;
      for (int k = 0; k < 3; ++k) c |= ((sum[k] + n / 2) / n) << (8 * k);
      r.pixels[size_t(y) * size_t(r.width) + size_t(x)] = c;
    }
  return r;
}

}  // namespace velta_test
