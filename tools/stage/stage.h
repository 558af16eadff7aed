// The viewer's stage for any model file: the model rewritten as the viewer's default model
// ("fastfood.ase", root "Dummy_Center"), fitted to its fixed camera and cut to its fixed
// limits, with every texture it finds as a BMP beside it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velta_stage {

// What the viewer reads and how many of each its tables hold.
inline constexpr const char* kStagedModel = "fastfood.ase";
inline constexpr const char* kRootName = "Dummy_Center";
constexpr unsigned kMaxMeshFaces = 21845;     // 3 indices a face in 16 bits
constexpr unsigned kMaxMeshVertices = 65535;
constexpr unsigned kMaxObjects = 100;          // geometry objects a file may hold, root included

struct StageOptions {
  int upAxis = 2;         // the model's own up axis: 0 x, 1 y, 2 z (3D Studio's)
  bool upNegative = false;
};

// Parses "x", "y", "z", "-x", "-y" or "-z"; false for anything else.
bool ParseUpAxis(const std::string& text, StageOptions& options);

struct TextureReport {
  std::string bitmap;   // as the material names it
  enum Status { Found, Converted, Missing, Failed } status = Missing;
  std::string staged;   // the file in the stage, for Found and Converted
  std::filesystem::path source;  // where it was found
  std::string detail;   // format and size, or why it failed
  std::vector<std::filesystem::path> tried;
};

struct StageResult {
  std::string error;  // empty on success; else one line saying why the model cannot be shown
  size_t sourceObjects = 0, triangles = 0;
  double extentMin[3] = {0, 0, 0}, extentMax[3] = {0, 0, 0};  // in the file's own axes
  double scale = 0;
  size_t stagedObjects = 0;                // geometry objects written, root included
  std::vector<std::string> changes;        // what was split, folded or left out, one line each
  std::vector<TextureReport> textures;
  // The report for the user, several lines.
  std::string Report(const std::string& modelName) const;
};

// Stages the model file into `stageDir` (created when missing).
StageResult StageModel(const std::filesystem::path& model, const std::filesystem::path& stageDir,
                       const StageOptions& options);
// The same from the file's bytes; textures are looked for from `modelDir`.
StageResult StageModelText(std::string_view bytes, const std::filesystem::path& modelDir,
                           const std::filesystem::path& stageDir, const StageOptions& options);

}  // namespace velta_stage
