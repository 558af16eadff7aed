// velta-bench-import: the whole model load through LoadAseFile and through the most used import
// library's importer (Open Asset Import Library, in-process, no post-processing), side by side on
// the same generated files, in one run. Built only where that library is installed.
//
//   velta-bench-import [ROUNDS]     (default 7; each round loads every file through both)
//
// Rates are bytes per second of processor time on this thread (one core), the best round of each,
// in MB of 2^20 bytes like velta-bench. A ratio above 1 means LoadAseFile is the faster.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "model/ase_loader.h"
#include "scene/object_list.h"
#include "tools/ase_writer.h"

namespace {

struct Shape {
  const char* name;
  const char* what;
  AseGenOptions options;
};

// The exporter's usual layout: one root and 50 children, one material, short lines.
AseGenOptions Exporter() {
  AseGenOptions o;
  o.rootName = "Dummy_Center";
  o.children = 50;
  o.gridSize = 24;
  o.bitmap = "";
  return o;
}

// Long lines (face lines past one read, long names and comments), 400 materials and an
// 80-deep chain of objects, CR LF line ends.
AseGenOptions Varied() {
  AseGenOptions o;
  o.rootName = "Dummy_Center";
  o.children = 79;
  o.gridSize = 16;
  o.bitmap = "";
  o.materials = 400;
  o.chain = true;
  o.longLines = true;
  o.crlf = true;
  return o;
}

double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::string WriteModel(const char* name, const AseGenOptions& options) {
  std::string path =
      (std::filesystem::temp_directory_path() / (std::string("velta-import-") + name + ".ase"))
          .string();
  std::string text = GenerateAseModel(options);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) {
    if (f) std::fclose(f);
    return std::string();
  }
  std::fclose(f);
  return path;
}

// Seconds of one load, or a negative value when the file did not load.
double LoadOurs(const std::string& path) {
  double start = ThreadSeconds();
  int32_t result = LoadAseFile(path.c_str());
  double seconds = ThreadSeconds() - start;
  bool loaded = result == 0 && ModelTable[3].model;
  ReleaseModels();
  return loaded ? seconds : -1.0;
}

double LoadLibrary(const std::string& path) {
  Assimp::Importer importer;
  double start = ThreadSeconds();
  const aiScene* scene = importer.ReadFile(path, 0);
  double seconds = ThreadSeconds() - start;
  return scene && scene->mNumMeshes > 0 ? seconds : -1.0;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
  if (rounds < 1) rounds = 1;
  const Shape shapes[] = {
      {"exporter", "one root, 50 children, short lines", Exporter()},
      {"varied", "long lines, 400 materials, 80 deep, CR LF", Varied()},
  };
  std::printf("%-9s %9s %12s %12s %7s  %s\n", "file", "MB", "velta MB/s", "library MB/s", "ratio",
              "shape");
  for (const Shape& shape : shapes) {
    std::string path = WriteModel(shape.name, shape.options);
    if (path.empty()) {
      std::fprintf(stderr, "velta-bench-import: cannot write the %s file\n", shape.name);
      return 1;
    }
    double mb = static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);
    double ours = 1e30, theirs = 1e30;
    // Alternate which goes first, so neither always runs on a warmer cache.
    for (int r = 0; r <= rounds; ++r) {
      double a, b;
      if (r % 2) {
        a = LoadOurs(path);
        b = LoadLibrary(path);
      } else {
        b = LoadLibrary(path);
        a = LoadOurs(path);
      }
      if (a < 0 || b < 0) {
        std::fprintf(stderr, "velta-bench-import: the %s file did not load through %s\n",
                     shape.name, a < 0 ? "LoadAseFile" : "the library");
        return 1;
      }
      if (r == 0) continue;  // warm-up
      if (a < ours) ours = a;
      if (b < theirs) theirs = b;
    }
    std::printf("%-9s %9.1f %12.1f %12.1f %7.2f  %s\n", shape.name, mb, mb / ours, mb / theirs,
                theirs / ours, shape.what);
    std::filesystem::remove(path);
  }
  return 0;
}
