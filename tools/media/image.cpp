#include "tools/media/image.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace media {

Rgb Mix(Rgb a, Rgb b, double t) {
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  auto ch = [t](uint8_t x, uint8_t y) {
    return static_cast<uint8_t>(std::lround(x + (static_cast<double>(y) - x) * t));
  };
  return {ch(a.r, b.r), ch(a.g, b.g), ch(a.b, b.b)};
}

Rgb Shade(Rgb c, double f) {
  auto ch = [f](uint8_t x) {
    const long v = std::lround(x * f);
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
  };
  return {ch(c.r), ch(c.g), ch(c.b)};
}

Image::Image(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

Rgb Image::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

void Image::Set(int x, int y, Rgb c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<size_t>(y) * width_ + x] = c;
}

void Image::FillRect(int x0, int y0, int x1, int y1, Rgb c) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) Set(x, y, c);
}

void Image::FillEllipse(double cx, double cy, double rx, double ry, Rgb c) {
  if (rx <= 0 || ry <= 0) return;
  for (int y = static_cast<int>(std::floor(cy - ry)); y <= static_cast<int>(std::ceil(cy + ry));
       ++y)
    for (int x = static_cast<int>(std::floor(cx - rx)); x <= static_cast<int>(std::ceil(cx + rx));
         ++x) {
      const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
      if (dx * dx + dy * dy <= 1.0) Set(x, y, c);
    }
}

void Image::Line(double x0, double y0, double x1, double y1, double thickness, Rgb c) {
  const double dx = x1 - x0, dy = y1 - y0;
  const double len2 = dx * dx + dy * dy;
  const double half = thickness * 0.5;
  const int xa = static_cast<int>(std::floor(std::min(x0, x1) - half));
  const int xb = static_cast<int>(std::ceil(std::max(x0, x1) + half));
  const int ya = static_cast<int>(std::floor(std::min(y0, y1) - half));
  const int yb = static_cast<int>(std::ceil(std::max(y0, y1) + half));
  for (int y = ya; y <= yb; ++y)
    for (int x = xa; x <= xb; ++x) {
      const double px = x + 0.5 - x0, py = y + 0.5 - y0;
      double t = len2 > 0 ? (px * dx + py * dy) / len2 : 0;
      t = t < 0 ? 0 : (t > 1 ? 1 : t);
      const double ex = px - t * dx, ey = py - t * dy;
      if (ex * ex + ey * ey <= half * half) Set(x, y, c);
    }
}

namespace {

struct Glyph {
  char ch;
  uint8_t rows[7];  // bit 4 is the leftmost column
};

constexpr Glyph kFont[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'!', {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04}},
    {'&', {0x0C, 0x12, 0x14, 0x08, 0x15, 0x12, 0x0D}},
    {' ', {0, 0, 0, 0, 0, 0, 0}},
};

const Glyph* FindGlyph(char c) {
  for (const Glyph& g : kFont)
    if (g.ch == c) return &g;
  return nullptr;
}

}  // namespace

int Image::TextWidth(const std::string& text, int scale) {
  return text.empty() ? 0 : static_cast<int>(text.size()) * 6 * scale - scale;
}

void Image::Text(int x, int y, const std::string& text, int scale, Rgb c) {
  for (char ch : text) {
    if (const Glyph* g = FindGlyph(ch))
      for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 5; ++col)
          if (g->rows[row] & (0x10 >> col))
            FillRect(x + col * scale, y + row * scale, x + (col + 1) * scale, y + (row + 1) * scale,
                     c);
    x += 6 * scale;
  }
}

namespace {

void Put16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, size_t at, uint32_t v) {
  Put16(s, at, v & 0xFFFF);
  Put16(s, at + 2, v >> 16);
}

// File and info headers for a bottom-up picture; the pixel data starts after `tableEntries`
// colour-table entries.
std::string Headers(const Image& image, uint16_t bitCount, uint32_t compression,
                    uint32_t tableEntries, uint32_t imageBytes) {
  const uint32_t offBits = 14 + 40 + 4 * tableEntries;
  std::string s(offBits, '\0');
  s[0] = 'B';
  s[1] = 'M';
  Put32(s, 2, offBits + imageBytes);
  Put32(s, 10, offBits);
  Put32(s, 14, 40);
  Put32(s, 18, static_cast<uint32_t>(image.width()));
  Put32(s, 22, static_cast<uint32_t>(image.height()));
  Put16(s, 26, 1);
  Put16(s, 28, bitCount);
  Put32(s, 30, compression);
  Put32(s, 34, imageBytes);
  Put32(s, 38, 2835);  // 72 dots per inch
  Put32(s, 42, 2835);
  Put32(s, 46, tableEntries);
  Put32(s, 50, 0);
  return s;
}

}  // namespace

std::string EncodeBmp24(const Image& image) {
  const uint32_t stride = (static_cast<uint32_t>(image.width()) * 3 + 3) & ~3u;
  std::string s = Headers(image, 24, 0, 0, stride * image.height());
  for (int y = image.height() - 1; y >= 0; --y) {
    std::string row(stride, '\0');
    for (int x = 0; x < image.width(); ++x) {
      const Rgb c = image.At(x, y);
      row[3 * x] = static_cast<char>(c.b);
      row[3 * x + 1] = static_cast<char>(c.g);
      row[3 * x + 2] = static_cast<char>(c.r);
    }
    s += row;
  }
  return s;
}

std::string EncodeRle8(const std::vector<uint8_t>& indices, int width, int height) {
  std::string out;
  auto emit = [&out](int a, int b) {
    out += static_cast<char>(a);
    out += static_cast<char>(b);
  };
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = indices.data() + static_cast<size_t>(y) * width;
    int x = 0;
    auto runAt = [&](int at) {
      int n = 1;
      while (at + n < width && n < 255 && row[at + n] == row[at]) ++n;
      return n;
    };
    while (x < width) {
      const int run = runAt(x);
      if (run >= 3) {
        emit(run, row[x]);
        x += run;
        continue;
      }
      // Gather pixels up to the next run of three or more.
      int end = x;
      while (end < width && end - x < 255 && runAt(end) < 3) ++end;
      const int count = end - x;
      if (count >= 3) {
        emit(0, count);
        out.append(reinterpret_cast<const char*>(row + x), static_cast<size_t>(count));
        if (count & 1) out += '\0';  // absolute runs end on a 16-bit boundary
      } else {
        // Absolute runs of one or two pixels would read as escapes: write them as runs.
        for (int i = x; i < end;) {
          const int n = std::min(runAt(i), end - i);
          emit(n, row[i]);
          i += n;
        }
      }
      x = end;
    }
    emit(0, 0);
  }
  emit(0, 1);
  return out;
}

std::string EncodeBmp8(const Image& image, bool rle8) {
  std::vector<Rgb> palette;
  std::map<uint32_t, uint8_t> lookup;
  std::vector<uint8_t> indices;  // bottom-up rows
  indices.reserve(static_cast<size_t>(image.width()) * image.height());
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const Rgb c = image.At(x, y);
      const uint32_t key = (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
      if (!lookup.count(key)) {
        if (palette.size() == 256) return std::string();
        lookup[key] = static_cast<uint8_t>(palette.size());
        palette.push_back(c);
      }
    }
  for (int y = image.height() - 1; y >= 0; --y)
    for (int x = 0; x < image.width(); ++x) {
      const Rgb c = image.At(x, y);
      indices.push_back(lookup[(uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b]);
    }
  std::string pixels;
  if (rle8) {
    pixels = EncodeRle8(indices, image.width(), image.height());
  } else {
    const size_t stride = (static_cast<size_t>(image.width()) + 3) & ~size_t{3};
    for (int y = 0; y < image.height(); ++y) {
      std::string row(stride, '\0');
      for (int x = 0; x < image.width(); ++x)
        row[x] = static_cast<char>(indices[static_cast<size_t>(y) * image.width() + x]);
      pixels += row;
    }
  }
  std::string s = Headers(image, 8, rle8 ? 1 : 0, static_cast<uint32_t>(palette.size()),
                          static_cast<uint32_t>(pixels.size()));
  for (size_t i = 0; i < palette.size(); ++i) {
    const size_t at = 54 + 4 * i;
    s[at] = static_cast<char>(palette[i].b);
    s[at + 1] = static_cast<char>(palette[i].g);
    s[at + 2] = static_cast<char>(palette[i].r);
  }
  return s + pixels;
}

int CountColours(const Image& image) {
  std::set<uint32_t> seen;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const Rgb c = image.At(x, y);
      seen.insert((uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b);
    }
  return static_cast<int>(seen.size());
}

void LimitColours(Image& image, int maxColours) {
  for (int step = 2; CountColours(image) > maxColours && step <= 128; step *= 2)
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const Rgb c = image.At(x, y);
        auto snap = [step](uint8_t v) {
          const int s = (v / step) * step + step / 2;
          return static_cast<uint8_t>(s > 255 ? 255 : s);
        };
        image.Set(x, y, {snap(c.r), snap(c.g), snap(c.b)});
      }
}

}  // namespace media
