// The model node tree: a Model at the root, a SceneNode per geometry object and a MeshNode with
// the geometry under each. Trees are first-child / next-sibling lists, and a node owns both its
// first child and its next sibling.
#pragma once

#include <d3dtypes.h>

#include <cstdint>

#include "math/matrix.h"
#include "model/material.h"

enum NodeKind : uint8_t {
  NodeKindScene = 0,
  NodeKindMesh = 1,
  NodeKindModel = 2,
};

struct Model;

// Virtual operations in fixed slot order: Update, Draw, destructor.
struct ModelNode {
  ModelNode* firstChild;
  ModelNode* nextSibling;
  Model* model;  // not owned
  char name[NameFieldSize];
  uint8_t kind;

  ModelNode();
  virtual void Update();
  virtual void Draw();
  // Destroys the whole subtree and every sibling after this node in its chain.
  virtual ~ModelNode();

  void AddChild(ModelNode* node);    // appends at the end of this node's children
  void AddSibling(ModelNode* node);  // appends at the end of this node's sibling chain

  ModelNode(const ModelNode&) = delete;
  ModelNode& operator=(const ModelNode&) = delete;
};

// Transform parameters of a geometry object: kept beside the frame matrix and copied into
// object frames; nothing reads them.
struct TransformParams {
  Vector3 vectors[3];
  float values[5];
};

struct SceneNode : ModelNode {
  Matrix4 matrix;  // identity; the loader does not change it
  TransformParams params;

  SceneNode();
};

struct MeshNode;

struct Model : SceneNode {
  uint16_t liveObjects;  // scene objects made from this model that still exist
  uint16_t meshCount;
  MeshNode** meshes;  // meshCount entries by mesh index; the array is owned, the meshes are not

  Model();
  ~Model() override;
};

// Per-vertex working record of a mesh.
struct WorkVertex {
  Vector3 position;
  Vector3 unused;
  Vector3 screen;  // pixels x, y and depth z after the full transform
  uint32_t reserved1;
  Vector3 normal;
  Vector3 turnedNormal;
  D3DCOLOR color;  // lit diffuse colour, alpha 0
  uint32_t reserved2;
  float tu, tv;
};

struct MeshNode : ModelNode {
  uint16_t vertexCount;
  WorkVertex* work;
  D3DTLVERTEX* tlVertices;
  uint16_t indexCount;
  uint16_t* indices;
  Material material;
  uint16_t meshIndex;

  // Copies the vertices, the indices and the whole material. A failed allocation leaves an
  // empty mesh that draws nothing.
  MeshNode(const char* nodeName, uint16_t vertexCount, const MeshVertex* vertices,
           uint16_t indexCount, const uint16_t* indices, const Material& material);
  void Update() override;
  void Draw() override;
  ~MeshNode() override;
};
