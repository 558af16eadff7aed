#include "scene/model_node.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Counts destructions, so tests can see exactly which nodes a destruction reached.
int Destroyed = 0;
struct CountedNode : SceneNode {
  ~CountedNode() override { ++Destroyed; }
};

TEST(ModelNodeTree, AddChildAppendsInOrderAndKeepsTheAddedSubtree) {
  SceneNode parent;
  auto* a = new SceneNode;
  auto* b = new SceneNode;
  auto* c = new SceneNode;
  auto* grandchild = new SceneNode;
  c->AddChild(grandchild);
  parent.AddChild(a);
  parent.AddChild(b);
  parent.AddChild(c);
  EXPECT_EQ(parent.firstChild, a);
  EXPECT_EQ(a->nextSibling, b);
  EXPECT_EQ(b->nextSibling, c);
  EXPECT_EQ(c->nextSibling, nullptr);
  EXPECT_EQ(c->firstChild, grandchild);
  EXPECT_EQ(a->model, nullptr) << "linking does not set the model";
}

TEST(ModelNodeTree, DestroyingANodeTakesItsSubtreeAndLaterSiblings) {
  Destroyed = 0;
  auto* first = new SceneNode;
  auto* node = new CountedNode;
  node->AddChild(new CountedNode);  // stands in for the mesh child
  node->AddSibling(new CountedNode);
  node->AddSibling(new CountedNode);
  first->AddSibling(node);
  first->nextSibling = nullptr;  // keep `first` out of it: only node's chain goes
  delete node;
  EXPECT_EQ(Destroyed, 4);
  delete first;
}

TEST(ModelNodeTree, LongChainsAndDeepHierarchiesDoNotExhaustTheStack) {
  Destroyed = 0;
  auto* root = new Model;
  ModelNode* tail = new CountedNode;
  root->AddChild(tail);
  for (int i = 1; i < 100000; ++i) {
    auto* n = new CountedNode;
    tail->nextSibling = n;  // append at the known tail: AddSibling would walk the chain
    tail = n;
  }
  ModelNode* deep = root->firstChild;
  for (int i = 0; i < 100000; ++i) {
    auto* n = new CountedNode;
    deep->firstChild = n;
    deep = n;
  }
  delete root;
  EXPECT_EQ(Destroyed, 200000);
}

TEST(ModelNodeTree, FreshNodesHaveTheirKindsAndEmptyState) {
  Model model;
  EXPECT_EQ(model.kind, NodeKindModel);
  EXPECT_EQ(model.meshCount, 0);
  EXPECT_EQ(model.liveObjects, 0);
  EXPECT_EQ(model.meshes, nullptr);
  EXPECT_STREQ(model.name, "");
  SceneNode node;
  EXPECT_EQ(node.kind, NodeKindScene);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(node.matrix.m[r][c], r == c ? 1.0f : 0.0f);
}

Material TexturedMaterial() {
  Material m;
  m.ambient = m.diffuse = m.specular = Vector3(0, 0, 0);
  std::strcpy(m.bitmapName, "skin.bmp");
  m.mapType = MapSpherical;
  return m;
}

TEST(ModelNodeTree, MeshNodeCopiesItsInputs) {
  MeshVertex vertices[3] = {{1, 2, 3, 0, 1, 0, 0.25f, 0.75f},
                            {4, 5, 6, 1, 0, 0, 0.5f, 0.5f},
                            {7, 8, 9, 0, 0, 1, 1.0f, 0.0f}};
  uint16_t indices[3] = {0, 2, 1};
  Material material = TexturedMaterial();
  auto* mesh = new MeshNode("Bip01 Head", 3, vertices, 3, indices, material);
  vertices[0].x = 99;
  indices[0] = 7;
  std::strcpy(material.bitmapName, "changed");
  EXPECT_EQ(mesh->kind, NodeKindMesh);
  EXPECT_STREQ(mesh->name, "Bip01 Head");
  EXPECT_STREQ(mesh->material.bitmapName, "skin.bmp");
  EXPECT_EQ(mesh->material.mapType, MapSpherical);
  ASSERT_EQ(mesh->vertexCount, 3);
  ASSERT_EQ(mesh->indexCount, 3);
  EXPECT_EQ(mesh->work[0].position.x, 1.0f);
  EXPECT_EQ(mesh->work[2].normal.z, 1.0f);
  EXPECT_EQ(mesh->work[0].tv, 0.75f);
  EXPECT_EQ(mesh->indices[0], 0);
  EXPECT_EQ(mesh->indices[1], 2);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(mesh->work[i].screen.x, 0.0f);
    EXPECT_EQ(mesh->work[i].color, 0u);
    EXPECT_EQ(mesh->tlVertices[i].sx, 0.0f);
  }
  delete mesh;
}

TEST(ModelNodeTree, NamesAreCutTo79Characters) {
  std::string longName(200, 'n');
  MeshNode mesh(longName.c_str(), 0, nullptr, 0, nullptr, Material());
  EXPECT_EQ(std::strlen(mesh.name), 79u);
  EXPECT_EQ(mesh.vertexCount, 0);
  EXPECT_EQ(mesh.work, nullptr);
}

TEST(MaterialRecord, FreshAndCopiedMaterials) {
  Material fresh;
  EXPECT_STREQ(fresh.bitmapName, "");
  EXPECT_EQ(fresh.mapType, MapPlain);
  EXPECT_EQ(fresh.textureEntry, nullptr);
  EXPECT_EQ(fresh.shine, 0.0f);
  EXPECT_EQ(fresh.shineStrength, 0.0f);
  EXPECT_EQ(fresh.transparency, 0.0f);
  EXPECT_EQ(fresh.reserved, 0);

  Material source = TexturedMaterial();
  MeshNode mesh("m", 0, nullptr, 0, nullptr, source);
  int fakeEntry = 0;
  mesh.material.textureEntry = reinterpret_cast<TextureEntry*>(&fakeEntry);
  EXPECT_EQ(source.textureEntry, nullptr) << "a mesh keeps its own copy";
  static_assert(sizeof(MeshVertex) == 32);
}

}  // namespace
