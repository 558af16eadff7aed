// The sample models as the viewer loads them, in the media folder: faces wound so the device
// keeps the ones turned towards the camera, normals outward, sizes that fill the picture, and
// the hierarchy and materials each model is meant to exercise.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "framework/textures.h"
#include "math/builders.h"
#include "model/ase_loader.h"
#include "scene/object_list.h"
#include "scene/transform_state.h"
#include "test_support.h"
#include "testing/win32_hooks.h"

namespace {

enum Row { kDoreva = 0, kTeapot = 1, kTestBox = 2, kFastFood = 3, kSonic = 4 };

class MediaModels : public ::testing::Test {
 protected:
  void SetUp() override {
    TestResetMessageBoxes();
    TestSilenceMessageBoxes(true);
    TestClearRegistry();
    ::unsetenv("D3DPATH");
    cwd_.emplace(VELTA_MEDIA_DIR);
    for (int row = 0; row < ModelTableRows; ++row) LoadModel(row);
  }
  void TearDown() override {
    ReleaseModels();
    DestroyAllTextures();
    ReleaseLoaderMaterials();
    cwd_.reset();
    TestResetMessageBoxes();
  }
  std::optional<velta_test::WorkingDir> cwd_;
};

SceneNode* RootNode(const Model* model) {
  return static_cast<SceneNode*>(model->firstChild);
}

MeshNode* MeshOf(const SceneNode* node) {
  for (ModelNode* n = node->firstChild; n; n = n->nextSibling)
    if (n->kind == NodeKindMesh) return static_cast<MeshNode*>(n);
  return nullptr;
}

void ForEachChildNode(const SceneNode* node, const std::function<void(SceneNode*)>& fn) {
  for (ModelNode* n = node->firstChild; n; n = n->nextSibling)
    if (n->kind == NodeKindScene) fn(static_cast<SceneNode*>(n));
}

int Depth(const SceneNode* node) {
  int deepest = 0;
  ForEachChildNode(node, [&](SceneNode* c) { deepest = std::max(deepest, 1 + Depth(c)); });
  return deepest;
}

MeshNode* FindMesh(const Model* model, const char* name) {
  for (unsigned i = 0; i < model->meshCount; ++i)
    if (std::strcmp(model->meshes[i]->name, name) == 0) return model->meshes[i];
  return nullptr;
}

Vector3 Apply(const Matrix4& m, const Vector3& p) {
  Vector3 out(0, 0, 0);
  TransformPoint(out, p, m);
  return out;
}

Vector3 Add(const Vector3& a, const Vector3& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}

TEST_F(MediaModels, EveryRowLoadsWithoutAMessage) {
  EXPECT_TRUE(TestMessageBoxes().empty());
  for (int row = 0; row < ModelTableRows; ++row) {
    ASSERT_NE(ModelTable[row].model, nullptr) << ModelTable[row].fileName;
    const Model* model = ModelTable[row].model;
    EXPECT_STREQ(RootNode(model)->name, ModelTable[row].rootNodeName);
    // The root is drawn plain; every child that names a bitmap got its texture.
    for (unsigned i = 0; i < model->meshCount; ++i) {
      const MeshNode* mesh = model->meshes[i];
      if (i == 0) {
        EXPECT_EQ(mesh->material.textureEntry, nullptr) << mesh->name;
      } else if (mesh->material.bitmapName[0]) {
        EXPECT_NE(mesh->material.textureEntry, nullptr) << mesh->name;
      }
    }
  }
}

// The device set-up of the application, then a world turn about the vertical axis.
void SetUpView(float turn) {
  ResetWorldMatrix();
  SetCamera({0, 50, -100}, {0, 25, 0}, {0, 1, 0});
  SetProjection(3.14159265f / 4, 0.75f, 1.0f, 2000.0f);
  SetScreenRect(0, 0, 640, 480);
  UpdateViewChain();
  Matrix4 world;
  SetRotateYMatrix(world, turn);
  SetWorldMatrix(world);
  UpdateLocalToScreen();
}

TEST_F(MediaModels, TrianglesFacingTheCameraAreClockwiseOnScreen) {
  const Vector3 eye(0, 50, -100);
  for (int step = 0; step < 8; ++step) {
    SetUpView(step * 3.14159265f / 4);
    Matrix4 world, toScreen, normals;
    GetWorldMatrix(world);
    GetLocalToScreen(toScreen);
    GetNormalMatrix(normals);
    for (int row = 0; row < ModelTableRows; ++row) {
      const Model* model = ModelTable[row].model;
      ASSERT_NE(model, nullptr);
      int facing = 0, wrong = 0, disagreeing = 0;
      for (unsigned m = 0; m < model->meshCount; ++m) {
        const MeshNode* mesh = model->meshes[m];
        for (unsigned i = 0; i + 2 < mesh->indexCount; i += 3) {
          Vector3 p[3], s[3], n(0, 0, 0);
          for (int k = 0; k < 3; ++k) {
            const WorkVertex& v = mesh->work[mesh->indices[i + k]];
            p[k] = Apply(world, v.position);
            s[k] = Apply(toScreen, v.position);
            n = Add(n, Apply(normals, v.normal));
          }
          const Vector3 g = CrossProduct(Subtract(p[1], p[0]), Subtract(p[2], p[0]));
          if (Magnitude(g) < 1e-5f) continue;
          // The stored winding agrees with the normals the file gives.
          if (DotProduct(g, n) <= 0) ++disagreeing;
          // Pixels run right and down: a positive signed area is clockwise as seen. A face
          // whose outside (by its normals) is turned to the eye must be clockwise, and
          // counter-clockwise when turned away, so the device drops it.
          const Vector3 centre = Scale(1.0f / 3, Add(Add(p[0], p[1]), p[2]));
          const float towards = DotProduct(Normalize(g), Normalize(Subtract(eye, centre)));
          if (std::fabs(towards) < 0.05f) continue;
          const float area =
              (s[1].x - s[0].x) * (s[2].y - s[0].y) - (s[2].x - s[0].x) * (s[1].y - s[0].y);
          if (towards > 0) ++facing;
          if ((towards > 0) != (area > 0)) ++wrong;
        }
      }
      SCOPED_TRACE(::testing::Message() << ModelTable[row].fileName << " turn " << step);
      EXPECT_GT(facing, 0);
      EXPECT_EQ(wrong, 0);
      EXPECT_EQ(disagreeing, 0);
    }
  }
}

TEST_F(MediaModels, NormalsAreUnitAndPointOutOfEachPart) {
  for (int row = 0; row < ModelTableRows; ++row) {
    const Model* model = ModelTable[row].model;
    ASSERT_NE(model, nullptr);
    for (unsigned m = 0; m < model->meshCount; ++m) {
      const MeshNode* mesh = model->meshes[m];
      SCOPED_TRACE(mesh->name);
      Vector3 centre(0, 0, 0);
      for (unsigned v = 0; v < mesh->vertexCount; ++v) centre = Add(centre, mesh->work[v].position);
      centre = Scale(1.0f / mesh->vertexCount, centre);
      float outward = 0;
      for (unsigned v = 0; v < mesh->vertexCount; ++v) {
        const WorkVertex& w = mesh->work[v];
        ASSERT_NEAR(Magnitude(w.normal), 1.0f, 1e-3f);
        outward += DotProduct(w.normal, Subtract(w.position, centre));
      }
      // A flat part sums to about zero; anything curved must bulge out along its normals.
      EXPECT_GT(outward, -1e-2f);
    }
  }
}

TEST_F(MediaModels, ModelsStandOnTheOriginAboutFiftyUnitsTall) {
  for (int row = 0; row < ModelTableRows; ++row) {
    const Model* model = ModelTable[row].model;
    ASSERT_NE(model, nullptr);
    Vector3 lo(1e9f, 1e9f, 1e9f), hi(-1e9f, -1e9f, -1e9f);
    for (unsigned m = 0; m < model->meshCount; ++m)
      for (unsigned v = 0; v < model->meshes[m]->vertexCount; ++v) {
        const Vector3& p = model->meshes[m]->work[v].position;
        for (int k = 0; k < 3; ++k) {
          lo[k] = std::min(lo[k], p[k]);
          hi[k] = std::max(hi[k], p[k]);
        }
      }
    SCOPED_TRACE(ModelTable[row].fileName);
    EXPECT_NEAR(lo.y, 0.0f, 1e-3f);
    EXPECT_GE(hi.y, 40.0f);
    EXPECT_LE(hi.y, 56.0f);
    // The turning axis passes through the model.
    EXPECT_LT(lo.x, 0);
    EXPECT_GT(hi.x, 0);
    EXPECT_LT(lo.z, 0);
    EXPECT_GT(hi.z, 0);
  }
}

TEST_F(MediaModels, FastFoodHierarchyAndMaterials) {
  const Model* model = ModelTable[kFastFood].model;
  ASSERT_NE(model, nullptr);
  EXPECT_GE(model->meshCount, 20);
  const SceneNode* root = RootNode(model);
  EXPECT_GE(Depth(root), 4);
  unsigned triangles = 0;
  for (unsigned m = 0; m < model->meshCount; ++m) triangles += model->meshes[m]->indexCount / 3;
  EXPECT_GE(triangles, 4000u);
  EXPECT_LE(triangles, 20000u);
  // Several children of one parent, and a child listed (so numbered) before its parent.
  int widest = 0;
  bool childFirst = false;
  std::function<void(const SceneNode*)> walk = [&](const SceneNode* node) {
    int children = 0;
    ForEachChildNode(node, [&](SceneNode* c) {
      ++children;
      if (MeshOf(c)->meshIndex < MeshOf(node)->meshIndex) childFirst = true;
      walk(c);
    });
    widest = std::max(widest, children);
  };
  walk(root);
  EXPECT_GE(widest, 3);
  EXPECT_TRUE(childFirst);

  const MeshNode* cup = FindMesh(model, "Cup");
  ASSERT_NE(cup, nullptr);
  EXPECT_EQ(cup->material.mapType, MapSpherical);
  EXPECT_NE(cup->material.textureEntry, nullptr);
  const MeshNode* tray = FindMesh(model, "Tray");
  const MeshNode* liner = FindMesh(model, "Tray_Liner");
  ASSERT_TRUE(tray && liner);
  EXPECT_STREQ(tray->material.bitmapName, "Tray.bmp");
  EXPECT_STREQ(liner->material.bitmapName, "TRAY.BMP");
  EXPECT_NE(tray->material.textureEntry, nullptr);
  EXPECT_EQ(tray->material.textureEntry, liner->material.textureEntry);
  for (unsigned v = 0; v < liner->vertexCount; ++v) EXPECT_GT(liner->work[v].normal.y, 0.99f);
  const struct {
    const char* mesh;
    const char* bitmap;
  } skins[] = {{"Head", "skin.bmp"}, {"Chest", "uniform.bmp"}, {"Hair", "hair.bmp"}};
  for (const auto& s : skins) {
    const MeshNode* mesh = FindMesh(model, s.mesh);
    ASSERT_NE(mesh, nullptr) << s.mesh;
    EXPECT_STREQ(mesh->material.bitmapName, s.bitmap);
    EXPECT_EQ(mesh->material.mapType, MapPlain);
  }
}

TEST_F(MediaModels, TheOtherFourModels) {
  const Model* teapot = ModelTable[kTeapot].model;
  ASSERT_NE(teapot, nullptr);
  EXPECT_EQ(teapot->meshCount, 5);
  EXPECT_EQ(teapot->meshes[0]->material.bitmapName[0], '\0');
  for (const char* part : {"Body", "Lid", "Handle", "Spout"}) {
    const MeshNode* mesh = FindMesh(teapot, part);
    ASSERT_NE(mesh, nullptr) << part;
    EXPECT_EQ(mesh->material.mapType, MapSpherical) << part;
  }

  const Model* box = ModelTable[kTestBox].model;
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->meshCount, 2);
  EXPECT_NE(box->meshes[1]->material.textureEntry, nullptr);

  const Model* robot = ModelTable[kDoreva].model;
  ASSERT_NE(robot, nullptr);
  bool cylindrical = false;
  for (unsigned m = 0; m < robot->meshCount; ++m)
    cylindrical = cylindrical || robot->meshes[m]->material.mapType == MapCylindrical;
  EXPECT_TRUE(cylindrical);
  EXPECT_GE(Depth(RootNode(robot)), 3);

  // Every part of the blocky figure hangs directly from its trunk.
  const Model* blocks = ModelTable[kSonic].model;
  ASSERT_NE(blocks, nullptr);
  int children = 0;
  ForEachChildNode(RootNode(blocks), [&](SceneNode*) { ++children; });
  EXPECT_EQ(children + 1, blocks->meshCount);
  EXPECT_EQ(Depth(RootNode(blocks)), 1);
}

}  // namespace
