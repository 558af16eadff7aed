#include "scene/scene_object.h"

#include <new>

#include "scene/node_chains.h"

#include "model/ase_loader.h"
#include "scene/transform_state.h"

ObjectNode::ObjectNode() : firstChild(nullptr), nextSibling(nullptr), owner(nullptr), source(nullptr) {}

void ObjectNode::Update() {}
void ObjectNode::Draw() {}

ObjectNode::~ObjectNode() { DestroyChains(firstChild, nextSibling); }

void ObjectNode::AddChild(ObjectNode* node) {
  if (!firstChild)
    firstChild = node;
  else
    firstChild->AddSibling(node);
}

void ObjectNode::AddSibling(ObjectNode* node) { AppendSibling<ObjectNode>(this, node); }

namespace {

// The object node that stands for `source`: a frame for a scene node, a mesh for a mesh node.
ObjectNode* MirrorOf(ModelNode* source) {
  if (source->kind == NodeKindScene)
    return new (std::nothrow) ObjectFrame(*static_cast<SceneNode*>(source));
  if (source->kind == NodeKindMesh) return new (std::nothrow) ObjectMesh;
  return nullptr;
}

}  // namespace

void ObjectNode::BuildObjectTree(ModelNode* src, SceneObject* own) {
  source = src;
  owner = own;
  if (src->kind == NodeKindMesh) {
    uint16_t index = static_cast<MeshNode*>(src)->meshIndex;
    if (own->meshes && index < own->meshCount) own->meshes[index] = static_cast<ObjectMesh*>(this);
  }
  if (src->nextSibling) {
    if (ObjectNode* mirror = MirrorOf(src->nextSibling)) {
      mirror->BuildObjectTree(src->nextSibling, own);
      AddSibling(mirror);
    }
  }
  if (src->firstChild) {
    if (ObjectNode* mirror = MirrorOf(src->firstChild)) {
      mirror->BuildObjectTree(src->firstChild, own);
      AddChild(mirror);
    }
  }
}

ObjectFrame::ObjectFrame() : params{} { SetIdentity(matrix); }

ObjectFrame::ObjectFrame(const SceneNode& node) : matrix(node.matrix), params(node.params) {
  SetIdentity(matrix);
}

void ObjectFrame::Update() {
  if (firstChild) {
    Matrix4 saved, combined;
    GetWorldMatrix(saved);
    MatrixMultiply(combined, saved, matrix);
    SetWorldMatrix(combined);
    firstChild->Update();
    SetWorldMatrix(saved);
  }
  if (nextSibling) nextSibling->Update();
}

void ObjectMesh::Update() {
  if (source) source->Update();
  if (nextSibling) nextSibling->Update();
}

void ObjectMesh::Draw() {
  if (source) source->Draw();
}

SceneObject::SceneObject() : slot(0), serial(0), name{}, meshCount(0), meshes(nullptr), model(nullptr) {}

SceneObject::~SceneObject() {
  delete[] meshes;
  meshes = nullptr;
}

void InitSceneObject(SceneObject* object, int row, const char* name) {
  Model* model = ModelTable[row].model;
  object->source = model;
  object->model = model;
  object->meshCount = model->meshCount;
  object->meshes = model->meshCount ? new (std::nothrow) ObjectMesh*[model->meshCount]() : nullptr;
  if (!object->meshes) object->meshCount = 0;
  object->BuildObjectTree(model, object);
  CopyName(object->name, name);
  object->serial = model->liveObjects;
  ++model->liveObjects;
}

void RenderSceneObject(SceneObject* object) {
  if (object->firstChild) object->firstChild->Update();
  for (uint16_t i = 0; i < object->meshCount; ++i)
    if (object->meshes[i]) object->meshes[i]->Draw();
}
