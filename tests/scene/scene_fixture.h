// Models built by hand for scene tests: meshes that record their draws, in table rows.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/ase_loader.h"
#include "scene/object_list.h"
#include "scene/scene_object.h"
#include "testing/win32_hooks.h"

// A mesh whose Draw and Update note its name, so tests can see the passes.
struct RecordingMesh : MeshNode {
  static std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
  }
  RecordingMesh(const char* name, uint16_t index)
      : MeshNode(name, 0, nullptr, 0, nullptr, Material()) {
    meshIndex = index;
  }
  void Update() override { Log().push_back(std::string("update ") + name); }
  void Draw() override { Log().push_back(std::string("draw ") + name); }
};

// Adds a geometry object (a scene node holding a recording mesh) under `parent`.
inline SceneNode* AddPart(Model* model, ModelNode* parent, const char* name) {
  auto* node = new SceneNode;
  CopyName(node->name, name);
  node->model = model;
  auto* mesh = new RecordingMesh(name, model->meshCount++);
  mesh->model = model;
  node->AddChild(mesh);
  parent->AddChild(node);
  return node;
}

// Fills the model's mesh array from its tree, as linking does after a load.
inline void IndexMeshes(Model* model) {
  model->meshes = new MeshNode*[model->meshCount]();
  std::vector<ModelNode*> stack{model->firstChild};
  while (!stack.empty()) {
    ModelNode* n = stack.back();
    stack.pop_back();
    for (; n; n = n->nextSibling) {
      if (n->kind == NodeKindMesh) {
        auto* mesh = static_cast<MeshNode*>(n);
        model->meshes[mesh->meshIndex] = mesh;
      }
      if (n->firstChild) stack.push_back(n->firstChild);
    }
  }
}

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestResetMessageBoxes();
    TestSilenceMessageBoxes(true);
    RecordingMesh::Log().clear();
  }
  void TearDown() override {
    RemoveAllObjects();
    ReleaseModels();
    TestResetMessageBoxes();
  }
  // Row 2 gets a model: root "Box01" with the given children of the root, each a name.
  Model* MakeModel(int row, const std::vector<const char*>& children = {}) {
    auto* model = new Model;
    SceneNode* root = AddPart(model, model, ModelTable[row].rootNodeName);
    for (const char* child : children) AddPart(model, root, child);
    IndexMeshes(model);
    ModelTable[row].model = model;
    return model;
  }
};
