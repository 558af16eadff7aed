// Texture files for the stage: the search for a material's bitmap the way exporters and games
// name them, and the decoding of PNG, JPEG, TGA and DDS files into 24-bit BMPs the viewer reads.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velta_stage {

// The file a material's bitmap name stands for, or an empty path. Tries, in order: the name
// relative to the model's folder, relative to each folder above it, its last part alone in
// the model's folder, each in any letter case; then the same with each known extension in
// place of the name's own. Every candidate goes into `tried`.
std::filesystem::path FindBitmap(const std::string& written, const std::filesystem::path& modelDir,
                                 std::vector<std::filesystem::path>* tried);

// Sides above this are refused before any pixel is decoded; above kMaxStagedSide the picture
// is scaled down (the viewer's window is 640 x 480).
constexpr unsigned kMaxSourceSide = 16384;
constexpr unsigned kMaxStagedSide = 1024;

struct BitmapResult {
  bool ok = false;
  bool converted = false;  // false when a BMP was copied as it is
  std::string format;      // "PNG", "JPEG", "TGA", "DDS", "BMP"
  unsigned width = 0, height = 0;              // of the source
  unsigned stagedWidth = 0, stagedHeight = 0;  // of the file written
  std::string error;                           // why it failed, one line
};

// Writes `source` as a 24-bit BMP to `target`: BMP files are copied, the other formats decoded.
BitmapResult StageBitmap(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace velta_stage
