#include <cmath>

#include "math/builders.h"
#include "scene/transform_state.h"
#include "scene_fixture.h"

namespace {

TEST_F(SceneTest, OneObjectMirrorsAOnePartModel) {
  Model* model = MakeModel(2);
  SceneObject object;
  InitSceneObject(&object, 2, "box");
  EXPECT_EQ(object.model, model);
  EXPECT_EQ(object.source, model);
  ASSERT_EQ(object.meshCount, 1);
  ObjectNode* frame = object.firstChild;
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->source, model->firstChild);
  EXPECT_EQ(frame->nextSibling, nullptr);
  ASSERT_NE(frame->firstChild, nullptr);
  EXPECT_EQ(object.meshes[0], frame->firstChild);
  EXPECT_EQ(frame->firstChild->source, model->meshes[0]);
  EXPECT_EQ(frame->firstChild->owner, &object);
  EXPECT_STREQ(object.name, "box");
  EXPECT_EQ(model->liveObjects, 1);
  --model->liveObjects;
}

TEST_F(SceneTest, DrawPassFollowsMeshOrderWhateverTheTree) {
  // Mesh 2 sits under mesh 1's frame, mesh 1 under the root: the update walks the tree, the
  // draw goes by index.
  auto* model = new Model;
  SceneNode* root = AddPart(model, model, "Box01");
  SceneNode* arm = AddPart(model, root, "arm");
  AddPart(model, arm, "hand");
  AddPart(model, root, "leg");
  IndexMeshes(model);
  ModelTable[2].model = model;
  SceneObject object;
  InitSceneObject(&object, 2, "x");
  ASSERT_EQ(object.meshCount, 4);
  RenderSceneObject(&object);
  const std::vector<std::string> expected = {"update Box01", "update arm", "update hand",
                                             "update leg",   "draw Box01", "draw arm",
                                             "draw hand",    "draw leg"};
  EXPECT_EQ(RecordingMesh::Log(), expected);
  --model->liveObjects;
}

TEST_F(SceneTest, ObjectsShareTheModelsMeshesAndLeaveItIntact) {
  Model* model = MakeModel(2, {"a", "b"});
  auto* first = new SceneObject;
  auto* second = new SceneObject;
  InitSceneObject(first, 2, "one");
  InitSceneObject(second, 2, "two");
  EXPECT_EQ(first->serial, 0);
  EXPECT_EQ(second->serial, 1);
  EXPECT_NE(first->meshes[1], second->meshes[1]);
  EXPECT_EQ(first->meshes[1]->source, second->meshes[1]->source);
  delete first;
  delete second;
  EXPECT_EQ(model->meshCount, 3);
  for (int i = 0; i < 3; ++i) EXPECT_NE(model->meshes[i], nullptr);
  EXPECT_STREQ(model->firstChild->name, "Box01");
  model->liveObjects = 0;
}

TEST_F(SceneTest, RenderingLeavesTheWorldMatrixAsItFoundIt) {
  MakeModel(2, {"a"});
  SceneObject object;
  InitSceneObject(&object, 2, "x");
  Matrix4 world, after;
  SetRotateYMatrix(world, 0.7f);
  world._41 = 3;
  SetWorldMatrix(world);
  RenderSceneObject(&object);
  GetWorldMatrix(after);
  EXPECT_EQ(std::memcmp(&world, &after, sizeof world), 0);
  ModelTable[2].model->liveObjects = 0;
}

// A frame's matrix reaches its children and their descendants, never its siblings.
struct WorldProbe : MeshNode {
  float* seen;
  WorldProbe(uint16_t index, float* out) : MeshNode("p", 0, nullptr, 0, nullptr, Material()), seen(out) {
    meshIndex = index;
  }
  void Update() override {
    Matrix4 w;
    GetWorldMatrix(w);
    *seen = w._41;
  }
};

TEST_F(SceneTest, FrameMatricesApplyToChildrenOnly) {
  float inner = -1, sibling = -1;
  auto* model = new Model;
  auto* root = new SceneNode;
  auto* child = new SceneNode;
  root->AddChild(new WorldProbe(0, &sibling));
  root->AddChild(child);
  child->AddChild(new WorldProbe(1, &inner));
  model->AddChild(root);
  model->meshCount = 2;
  IndexMeshes(model);
  ModelTable[2].model = model;
  SceneObject object;
  InitSceneObject(&object, 2, "x");
  auto* childFrame = static_cast<ObjectFrame*>(object.firstChild->firstChild->nextSibling);
  ASSERT_EQ(childFrame->source, child);
  childFrame->matrix._41 = 5;  // move the child's frame
  Matrix4 world;
  SetIdentity(world);
  world._41 = 2;
  SetWorldMatrix(world);
  RenderSceneObject(&object);
  EXPECT_EQ(inner, 7.0f) << "the frame's matrix first, then the outer transform";
  EXPECT_EQ(sibling, 2.0f);
  model->liveObjects = 0;
}

}  // namespace
