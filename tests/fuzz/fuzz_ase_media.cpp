// A small media folder from one input: the first two bytes give the length of the model file,
// the rest is the bitmap "tex.bmp" it may name. Loaded, linked, textured, made into an object,
// updated, then released.
#include <cstddef>
#include <cstdint>

#include "framework/textures.h"
#include "fuzz_support.h"
#include "model/ase_loader.h"
#include "scene/object_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t modelSize = static_cast<size_t>(data[0]) | static_cast<size_t>(data[1]) << 8;
  data += 2;
  size -= 2;
  if (modelSize > size) modelSize = size;
  std::string path = velta_fuzz::WriteFile("fastfood.ase", data, modelSize);
  velta_fuzz::WriteFile("tex.bmp", data + modelSize, size - modelSize);
  LoadAseFile(path.c_str());
  CreateObject(3, "fuzz");
  RenderObjects();
  RemoveAllObjects();
  ReleaseModels();
  DestroyAllTextures();
  return 0;
}
