// velta-media-gen: writes the sample models and their bitmaps into a folder, the same bytes on
// every run. The teapot comes from the teapot data set's file (--teapot, else the shared
// corpus). With --preview, also draws each model into a PNG for a quick look.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/media/preview.h"
#include "tools/media/scene.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: velta-media-gen FOLDER [--teapot PATCH_FILE] [--preview PREVIEW_FOLDER]\n"
               "Writes the five sample models and their bitmaps into FOLDER. The teapot's\n"
               "patch file defaults to $VELTA_CORPUS/teapot/teapot, or\n"
               "../shared/corpus/teapot/teapot when VELTA_CORPUS is not set.\n");
  return 2;
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "velta-media-gen: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder, preview, teapotPath = media::DefaultTeapotPath();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc) {
      preview = argv[++i];
    } else if (std::strcmp(argv[i], "--teapot") == 0 && i + 1 < argc) {
      teapotPath = argv[++i];
    } else if (argv[i][0] != '-' && folder.empty()) {
      folder = argv[i];
    } else {
      return Usage();
    }
  }
  if (folder.empty()) return Usage();
  std::ifstream in(teapotPath, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  media::TeapotData teapot;
  std::string error;
  if (!in) {
    error = "cannot be read";
  } else if (media::ParseTeapot(text.str(), teapot, error) && teapot.patches.size() != 32) {
    error = "holds " + std::to_string(teapot.patches.size()) + " patches, not 32";
  }
  if (!error.empty()) {
    std::fprintf(stderr, "velta-media-gen: teapot data %s %s\n", teapotPath.c_str(), error.c_str());
    return 1;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const media::MediaSet set = media::BuildMediaSet(teapot);
  bool ok = true;
  for (const media::ModelFile& model : set.models)
    ok = WriteFile(std::filesystem::path(folder) / model.fileName, media::WriteAse(model)) && ok;
  for (const media::NamedBitmap& bitmap : set.bitmaps) {
    if (bitmap.bytes.empty()) {
      std::fprintf(stderr, "velta-media-gen: %s has too many colours\n", bitmap.fileName.c_str());
      ok = false;
      continue;
    }
    ok = WriteFile(std::filesystem::path(folder) / bitmap.fileName, bitmap.bytes) && ok;
  }
  if (!preview.empty()) {
    std::filesystem::create_directories(preview, ec);
    if (!media::WritePreviews(set, preview)) {
      std::fprintf(stderr, "velta-media-gen: cannot write previews to %s\n", preview.c_str());
      ok = false;
    }
  }
  return ok ? 0 : 1;
}
