// velta-picture-agree OURS.bmp THEIRS.bmp [MIN_PERCENT]: how many of the character's pixels,
// away from edges, two pictures of the same frame agree on. The character is what differs from
// the clear colour in our picture; the frame-rate line's rows are left out; a pixel is away from
// edges when its 3 x 3 neighbourhood in our picture is all character and nearly one colour.
// Prints the figures; exits 1 below MIN_PERCENT (default 98), 2 when a picture cannot be read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // rows top first
  const uint8_t* At(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}

// Uncompressed 24-bit BMPs only: what the viewer saves and what convert writes as BMP3.
bool ReadBmp(const char* path, Picture& out) {
  std::ifstream f(path, std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(f)), {});
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
  const uint32_t bits = Le(b, 10, 4);
  const int32_t w = int32_t(Le(b, 18, 4)), h = int32_t(Le(b, 22, 4));
  if (Le(b, 28, 2) != 24 || Le(b, 30, 4) != 0 || w <= 0 || w > 8192 || h == 0 || h > 8192 ||
      h < -8192)
    return false;
  const int rows = h < 0 ? -h : h;
  const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
  if (bits > b.size() || b.size() - bits < stride * rows) return false;
  out.width = w;
  out.height = rows;
  out.rgb.resize(size_t(w) * rows * 3);
  for (int y = 0; y < rows; ++y) {
    const uint8_t* src = &b[bits + stride * size_t(h < 0 ? y : rows - 1 - y)];
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) out.rgb[(size_t(y) * w + x) * 3 + c] = src[x * 3 + 2 - c];
  }
  return true;
}

int Diff(const uint8_t* a, const uint8_t* b) {
  int d = 0;
  for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(int(a[c]) - int(b[c])));
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: velta-picture-agree OURS.bmp THEIRS.bmp [MIN_PERCENT]\n");
    return 2;
  }
  Picture ours, theirs;
  if (!ReadBmp(argv[1], ours) || !ReadBmp(argv[2], theirs) || ours.width != theirs.width ||
      ours.height != theirs.height) {
    std::fprintf(stderr, "velta-picture-agree: cannot read two 24-bit BMPs of one size\n");
    return 2;
  }
  const double minimum = argc > 3 ? std::atof(argv[3]) : 98.0;
  constexpr uint8_t kClear[3] = {0x30, 0x30, 0x30};
  constexpr int kStatsRows = 20, kCharacter = 12, kFlat = 40, kAgree = 24;
  const auto character = [&](int x, int y) { return Diff(ours.At(x, y), kClear) > kCharacter; };
  long counted = 0, agreed = 0;
  for (int y = kStatsRows + 1; y < ours.height - 1; ++y)
    for (int x = 1; x < ours.width - 1; ++x) {
      bool inside = true;
      for (int dy = -1; dy <= 1 && inside; ++dy)
        for (int dx = -1; dx <= 1 && inside; ++dx)
          inside = character(x + dx, y + dy) &&
                   Diff(ours.At(x + dx, y + dy), ours.At(x, y)) <= kFlat;
      if (!inside) continue;
      ++counted;
      if (Diff(ours.At(x, y), theirs.At(x, y)) <= kAgree) ++agreed;
    }
  const double percent = counted ? 100.0 * double(agreed) / double(counted) : 0.0;
  std::printf("pixels %ld agree %ld percent %.2f\n", counted, agreed, percent);
  return counted > 1000 && percent >= minimum ? 0 : 1;
}
