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

// What a load could not keep: counts past the 16-bit fields, objects past the table, paths
// past the token, meshes that could not be allocated. The viewer shows none of it but the
// last (one "Not enough memory!" box a load); velta-ase-info prints every note. Cleared at the
// start of each load.
enum LoadLimit : int32_t {
  LimitVertices,     // "*MESH_NUMVERTEX" past 65535: cut to 16 bits (count: vertices)
  LimitTexVertices,  // "*MESH_NUMTVERTEX" past 65535 (count: texture vertices)
  LimitFaces,        // three indices a face past 65535 (count: faces; kept: indices)
  LimitMaterials,    // "*MATERIAL_COUNT" past 65535 (count: materials)
  LimitObjects,      // objects past the table are dropped (count: objects in the file)
  LimitBitmapPath,   // a "*BITMAP" path past the token is cut (count: characters)
  LimitNoMemory,     // the object's mesh could not be allocated (count: vertices wanted)
};
struct LoadNote {
  int32_t limit;               // a LoadLimit
  char object[NameFieldSize];  // node name of the object; empty for the material list
  int64_t count;               // what the file asks for
  int64_t kept;                // what the load kept
};
constexpr int LoadNoteCapacity = 64;
struct LoadReportState {
  LoadNote notes[LoadNoteCapacity];
  int32_t count;        // notes held
  int32_t lost;         // notes past the capacity
  uint8_t outOfMemory;  // an allocation failed: some of the file is missing
};
extern LoadReportState LoadReport;
// Adds a note (counted in `lost` when the table is full); a LimitNoMemory note also sets
// outOfMemory.
void NoteLoadLimit(int32_t limit, const char* object, int64_t count, int64_t kept);
