// Bytes in as any model file, staged for the viewer beside a texture of each kind; whatever
// stages must then load in the viewer's own loader with every staged object in place.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "framework/textures.h"
#include "fuzz_support.h"
#include "model/ase_loader.h"
#include "scene/object_list.h"
#include "tools/stage/stage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::filesystem::path& dir = velta_fuzz::Scratch();
  static const bool textures = [&dir] {
    // A 1 x 1 TGA, and a PNG that is only its signature.
    const uint8_t tga[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 10, 20, 30};
    velta_fuzz::WriteFile("tex.tga", tga, sizeof tga);
    velta_fuzz::WriteFile("tex.png", reinterpret_cast<const uint8_t*>("\x89PNG\r\n\x1a\n"), 8);
    return true;
  }();
  (void)textures;
  const std::filesystem::path stage = dir / "stage";
  const velta_stage::StageResult r = velta_stage::StageModelText(
      std::string_view(reinterpret_cast<const char*>(data), size), dir, stage, {});
  if (r.error.empty()) {
    (void)r.Report("fuzz.ase");
    LoadAseFile((stage / velta_stage::kStagedModel).c_str());
    const Model* model = ModelTable[3].model;
    if (!model || model->meshCount != r.stagedObjects) std::abort();
    ReleaseModels();
    DestroyAllTextures();
  }
  return 0;
}
