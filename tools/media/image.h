// Pictures for the sample bitmaps: an RGB raster with a few painting operations, and the
// writers of the BMP files made from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace media {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// Mixes a and b: t = 0 gives a, 1 gives b.
Rgb Mix(Rgb a, Rgb b, double t);
// Multiplies each channel by `f`, clamped to 0..255.
Rgb Shade(Rgb c, double f);

// Row 0 is the top of the picture.
class Image {
 public:
  Image(int width, int height, Rgb fill = {});
  int width() const { return width_; }
  int height() const { return height_; }
  Rgb At(int x, int y) const;                            // black outside
  void Set(int x, int y, Rgb c);                         // ignored outside
  void FillRect(int x0, int y0, int x1, int y1, Rgb c);  // x1, y1 exclusive
  // Filled ellipse centred at (cx, cy) with radii rx, ry (pixel centres inside are set).
  void FillEllipse(double cx, double cy, double rx, double ry, Rgb c);
  // Line of the given thickness between two points.
  void Line(double x0, double y0, double x1, double y1, double thickness, Rgb c);
  // Upper-case letters, digits, space and a few signs in a 5x7 pixel font, each pixel drawn
  // as a scale x scale block, one blank column between characters.
  void Text(int x, int y, const std::string& text, int scale, Rgb c);
  static int TextWidth(const std::string& text, int scale);

 private:
  int width_, height_;
  std::vector<Rgb> pixels_;
};

// A 24-bit bottom-up BMP file.
std::string EncodeBmp24(const Image& image);

// An 8-bit palettised BMP file whose colour table holds exactly the colours the picture uses,
// in order of first appearance from the top row. `rle8` compresses the rows with BI_RLE8.
// Fails (returns an empty string) for a picture with more than 256 colours.
std::string EncodeBmp8(const Image& image, bool rle8);

// The RLE8 stream of bottom-up rows of palette indices, `width` per row: encoded runs for
// repeated pixels, absolute runs for the rest, an end-of-line after each row and
// end-of-bitmap at the end.
std::string EncodeRle8(const std::vector<uint8_t>& indices, int width, int height);

// Number of distinct colours in the picture.
int CountColours(const Image& image);

// Keeps a picture within `maxColours` colours by snapping each channel to a grid, the grid
// growing coarser until the picture fits.
void LimitColours(Image& image, int maxColours);

}  // namespace media
