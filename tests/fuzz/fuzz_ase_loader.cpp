// Bytes in as a model file of a known name, through the whole load, then everything released.
#include <cstddef>
#include <cstdint>

#include "framework/textures.h"
#include "fuzz_support.h"
#include "model/ase_loader.h"
#include "scene/object_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = velta_fuzz::WriteFile("fastfood.ase", data, size);
  LoadAseFile(path.c_str());
  ReleaseModels();
  DestroyAllTextures();
  return 0;
}
