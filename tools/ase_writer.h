// Writes model files the way the modelling package's exporter lays them out: used to generate
// benchmark input, test models and sample media.
#pragma once

#include <string>

struct AseGenOptions {
  const char* rootName = "Dummy_Center";
  int children = 50;             // geometry objects parented to the root
  int gridSize = 16;             // each object is a gridSize x gridSize vertex sheet
  const char* bitmap = "C:\\3dsmax\\maps\\skin.bmp";  // empty for none
  bool crlf = false;             // line ends as written on the original platform
  // Other shapes of file, for comparisons that should not be tuned to one:
  int materials = 1;             // material blocks; object i refers to material i % materials
  bool chain = false;            // each object is the child of the one before, not of the root
  bool longLines = false;        // face lines longer than a line read, long names and comments
};

// One complete file: scene block, one material, the root and its children.
std::string GenerateAseModel(const AseGenOptions& options);

// A model of about `bytes` bytes: the grid size is chosen to spread them over the objects.
std::string GenerateAseModelOfSize(size_t bytes, int children, const char* rootName);
