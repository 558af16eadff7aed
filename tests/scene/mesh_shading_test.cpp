#include "scene/mesh_shading.h"

#include <gtest/gtest.h>

#include <cmath>

#include "fake_device.h"
#include "framework/textures.h"
#include "math/builders.h"
#include "scene/transform_state.h"

namespace {

void DeviceSetUp() {
  ResetWorldMatrix();
  SetCamera(Vector3(0, 50, -100), Vector3(0, 25, 0), Vector3(0, 1, 0));
  SetProjection(3.14159274f / 4, 0.75f, 1.0f, 2000.0f);
  SetScreenRect(0, 0, 640, 480);
  UpdateViewChain();
}

Material Diffuse(float r, float g, float b, uint8_t mapType = MapPlain) {
  Material m;
  m.ambient = m.specular = Vector3(0, 0, 0);
  m.diffuse = Vector3(r, g, b);
  m.mapType = mapType;
  return m;
}

TEST(MeshShading, LightDirectionIsTheNormalisedConstant) {
  InitLightDirection();
  EXPECT_NEAR(LightDirection.x, 0.27217f, 1e-5f);
  EXPECT_NEAR(LightDirection.y, -0.68041f, 1e-5f);
  EXPECT_NEAR(LightDirection.z, 0.68041f, 1e-5f);
}

TEST(MeshShading, LightingIsDiffuseOnlyTruncatedToBytes) {
  LightDirection = Vector3(0, 0, 1);
  WorkVertex v[4] = {};
  v[0].turnedNormal = Vector3(0, 0, -1);    // facing the light: s = 1
  v[1].turnedNormal = Vector3(0, 0, -0.5f); // s = 0.5
  v[2].turnedNormal = Vector3(0, 0, 1);     // along the light: black
  v[3].turnedNormal = Vector3(1, 0, 0.1f);  // slightly along it: black
  LightVertices(2, v, Diffuse(1, 1, 1));
  EXPECT_EQ(v[0].color, 0x00FFFFFFu);
  EXPECT_EQ(v[1].color, 0x007F7F7Fu);
  LightVertices(4, v, Diffuse(1, 0.5f, 0));
  EXPECT_EQ(v[1].color, 0x007F3F00u) << "127.5 and 63.75 truncate";
  EXPECT_EQ(v[2].color, 0u);
  EXPECT_EQ(v[3].color, 0u);
  LightVertices(1, v, Diffuse(1e30f, NAN, 2.0f));
  EXPECT_EQ(v[0].color, 0x000000FEu) << "out-of-range colours give 0; 510 keeps its low byte";
}

class MeshUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    DeviceSetUp();
    InitLightDirection();
  }
  MeshNode* Mesh(uint8_t mapType) {
    MeshVertex vertices[4] = {{0, 25, 0, 0, 0, -1, 0.1f, 0.2f},
                              {0, 0, 0, 1, 0, 0, 0.3f, 0.4f},
                              {10, 25, 0, 0, 1, 0, 0.5f, 0.6f},
                              {0, 50, -100, 0, 0, -1, 0.7f, 0.8f}};  // the eye: w is 0
    uint16_t indices[3] = {0, 1, 2};
    return new MeshNode("m", 4, vertices, 3, indices, Diffuse(1, 1, 1, mapType));
  }
};

TEST_F(MeshUpdate, TransformsToPixelsWithDepth) {
  MeshNode* mesh = Mesh(MapPlain);
  mesh->work[3].screen = Vector3(9, 9, 9);
  mesh->Update();
  EXPECT_NEAR(mesh->work[0].screen.x, 320.0f, 1e-3f);
  EXPECT_NEAR(mesh->work[0].screen.y, 240.0f, 1e-3f);
  EXPECT_NEAR(mesh->work[0].screen.z, 0.99079f, 1e-5f);
  EXPECT_NEAR(mesh->work[1].screen.y, 368.76f, 1e-2f);
  EXPECT_NEAR(mesh->work[2].screen.x, 376.21f, 1e-2f);
  EXPECT_EQ(mesh->work[3].screen.x, 9.0f) << "a vertex in the camera's plane keeps its old place";
  for (int i = 0; i < 3; ++i) EXPECT_EQ(mesh->work[i].tu, 0.1f + 0.2f * i);
  mesh->Update();
  EXPECT_EQ(mesh->work[2].tv, 0.6f) << "plain mapping keeps the file's coordinates";
  delete mesh;
}

TEST_F(MeshUpdate, EnvironmentMappingFollowsTheTurnedNormals) {
  for (uint8_t type : {MapSpherical, MapCylindrical}) {
    MeshNode* mesh = Mesh(type);
    mesh->Update();
    EXPECT_FLOAT_EQ(mesh->work[0].tu, 0.5f);
    EXPECT_FLOAT_EQ(mesh->work[0].tv, 0.5f);
    EXPECT_FLOAT_EQ(mesh->work[1].tu, 1.0f);
    EXPECT_FLOAT_EQ(mesh->work[1].tv, 0.5f);
    EXPECT_FLOAT_EQ(mesh->work[2].tu, 0.5f);
    EXPECT_FLOAT_EQ(mesh->work[2].tv, 0.0f);
    delete mesh;
  }
}

TEST_F(MeshUpdate, NormalsTurnWithTheWorldButNotItsScaleOrTranslation) {
  MeshNode* mesh = Mesh(MapPlain);
  Matrix4 world;
  SetRotateYMatrix(world, 3.14159265f / 2);
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) world.m[r][c] *= 3.0f;
  world._41 = 40;
  SetWorldMatrix(world);
  mesh->Update();
  // (1, 0, 0) turned a quarter about y points along -z.
  EXPECT_NEAR(mesh->work[1].turnedNormal.x, 0.0f, 1e-5f);
  EXPECT_NEAR(mesh->work[1].turnedNormal.z, -1.0f, 1e-5f);
  delete mesh;
}

TEST_F(MeshUpdate, DrawHandsTheDeviceScreenVerticesAndTheTexture) {
  FakeDevice device;
  CurrentDevice = &device;
  MeshNode* mesh = Mesh(MapPlain);
  mesh->Update();
  mesh->Draw();
  TextureEntry entry{};
  auto* texture = reinterpret_cast<IDirect3DTexture2*>(&entry);  // only compared, never called
  entry.texture = texture;
  mesh->material.textureEntry = &entry;
  mesh->Draw();
  CurrentDevice = nullptr;
  mesh->Draw();  // no device: nothing to draw to, and no fault
  ASSERT_EQ(device.textures.size(), 2u);
  EXPECT_EQ(device.textures[0], nullptr) << "a mesh without a texture entry selects none";
  EXPECT_EQ(device.textures[1], texture);
  ASSERT_EQ(device.draws.size(), 2u);
  const FakeDevice::DrawCall& call = device.draws[0];
  EXPECT_EQ(call.type, D3DPT_TRIANGLELIST);
  EXPECT_EQ(call.format, 0x1C4u);
  EXPECT_EQ(call.flags, 0x10u);
  ASSERT_EQ(call.vertices.size(), 4u);
  ASSERT_EQ(call.indices, (std::vector<WORD>{0, 1, 2}));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(call.vertices[i].rhw, 0.5f);
    EXPECT_EQ(call.vertices[i].specular, 0u);
    EXPECT_EQ(call.vertices[i].sx, mesh->work[i].screen.x);
    EXPECT_EQ(call.vertices[i].color, mesh->work[i].color);
    EXPECT_EQ(call.vertices[i].tv, mesh->work[i].tv);
  }
  delete mesh;
}

}  // namespace
