// Turns an .ase file into a model tree registered in the model table, and links the file's
// child objects to their parents once the whole file has been read.
#pragma once

#include <cstdint>

#include "model/material.h"
#include "scene/model_node.h"

// One of the five models the system knows.
struct ModelTableRow {
  Model* model;  // none until the row's file is loaded
  char description[NameFieldSize];   // display name, code page 949
  char fileName[NameFieldSize];      // opened by this plain name, relative to the working folder
  char rootNodeName[NameFieldSize];  // node name of the file's root geometry object
};

constexpr int ModelTableRows = 5;
extern ModelTableRow ModelTable[ModelTableRows];

struct TexVertex {
  float u, v, w;
};

// Scratch storage for the geometry object being read.
struct MeshBuffers {
  uint16_t vertexCount;
  MeshVertex* vertices;
  uint16_t indexCount;
  uint16_t* indices;
  uint16_t texVertexCount;
  TexVertex* texVertices;
};

struct LoadEntry {
  SceneNode* node;  // none when the entry was destroyed
  MeshNode* mesh;   // child of the node
  char parentName[NameFieldSize];
  uint8_t linked;  // 1 once the entry belongs to a model
};

constexpr int LoadTableSize = 100;
struct LoadTableState {
  LoadEntry entries[LoadTableSize];
  int32_t count;
};
extern LoadTableState LoadTable;

// Loads the file of a model table row; the result of LoadAseFile.
int32_t LoadModel(int row);
// 0 when the file was read to its end, 1 when it cannot be opened.
int32_t LoadAseFile(const char* fileName);
// First row whose root node name equals `name` exactly, or -1.
int FindModelIndex(const char* name);
// Destroys the entry's node with its mesh and clears the entry.
void DestroyLoadEntry(int index);

// Post-load linking.
int FindLoadEntry(const char* name);
int ResolveParent(int index);
void LinkLoadedObjects();
void DiscardUnlinked();

// The loader's working state between files, exposed for inspection by tests and tools.
struct MaterialArray {
  uint16_t count;
  Material* items;
};
extern MaterialArray LoadedMaterials;
extern MeshBuffers LoadBuffers;
// Frees the material array the loader keeps between files.
void ReleaseLoaderMaterials();
