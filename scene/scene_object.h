// Scene objects: placed instances of a loaded model. Each object mirrors the model's node tree
// with light nodes of its own that point back at the model's nodes; the geometry stays shared.
#pragma once

#include <cstdint>

#include "scene/model_node.h"

struct SceneObject;

// Virtual operations in fixed slot order: Update, Draw, destructor.
struct ObjectNode {
  ObjectNode* firstChild;   // owned
  ObjectNode* nextSibling;  // owned
  SceneObject* owner;       // not owned
  ModelNode* source;        // the model node mirrored; not owned

  ObjectNode();
  virtual void Update();
  virtual void Draw();
  // Destroys the subtree and the rest of the sibling chain; never touches the model tree.
  virtual ~ObjectNode();

  void AddChild(ObjectNode* node);
  void AddSibling(ObjectNode* node);
  // Mirrors the source's sibling chain and subtree under and beside this node.
  void BuildObjectTree(ModelNode* source, SceneObject* owner);

  ObjectNode(const ObjectNode&) = delete;
  ObjectNode& operator=(const ObjectNode&) = delete;
};

struct ObjectFrame : ObjectNode {
  Matrix4 matrix;  // identity: the parts of a model never move on their own
  TransformParams params;

  ObjectFrame();
  explicit ObjectFrame(const SceneNode& node);
  // Applies the frame's matrix to its children, never to its siblings, and leaves the world
  // matrix as it found it.
  void Update() override;
};

struct ObjectMesh : ObjectNode {
  void Update() override;
  void Draw() override;
};

struct SceneObject : ObjectFrame {
  uint16_t slot;    // written by the object list
  uint16_t serial;  // the model's live-object count when the object was made
  char name[NameFieldSize];
  uint16_t meshCount;
  ObjectMesh** meshes;  // by the source mesh's index; the array is owned, the meshes are not
  Model* model;

  SceneObject();
  ~SceneObject() override;
};

// Binds the object to the model of table row `row` and builds its tree. The row must hold a
// loaded model.
void InitSceneObject(SceneObject* object, int row, const char* name);
// Update pass over the object's frames, then its meshes drawn in the model's mesh order.
void RenderSceneObject(SceneObject* object);
