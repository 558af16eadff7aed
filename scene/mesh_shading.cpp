#include "scene/mesh_shading.h"

#include <d3d.h>

#include "framework/textures.h"

#include "scene/transform_state.h"

Vector3 LightDirection;
IDirect3DDevice3* CurrentDevice = nullptr;

namespace {

// A colour channel: truncated toward zero, low 8 bits kept. Values no integer can hold (only
// from absurd material colours) give 0 rather than an undefined conversion.
inline uint32_t ChannelByte(double value) {
  if (!(value > -2147483648.0 && value < 2147483648.0)) return 0;
  return static_cast<uint32_t>(static_cast<int32_t>(value)) & 0xFF;
}

}  // namespace

void InitLightDirection() { LightDirection = Normalize(Vector3(0.2f, -0.5f, 0.5f)); }

void LightVertices(uint16_t vertexCount, WorkVertex* work, const Material& material) {
  const Vector3 light = LightDirection;
  const Vector3 diffuse = material.diffuse;
  for (uint16_t i = 0; i < vertexCount; ++i) {
    float s = -DotProduct(work[i].turnedNormal, light);
    if (s < 0) s = 0;
    // Intensity times colour in single precision, then scaled to a byte.
    work[i].color = (ChannelByte(s * diffuse.x * 255.0) << 16) |
                    (ChannelByte(s * diffuse.y * 255.0) << 8) | ChannelByte(s * diffuse.z * 255.0);
  }
}

void MeshNode::Update() {
  Matrix4 normalMatrix, toScreen;
  GetNormalMatrix(normalMatrix);
  UpdateLocalToScreen();
  GetLocalToScreen(toScreen);
  for (uint16_t i = 0; i < vertexCount; ++i) {
    WorkVertex& v = work[i];
    TransformPoint(v.turnedNormal, v.normal, normalMatrix);
    // A vertex in the camera's plane keeps last frame's screen position.
    TransformPoint(v.screen, v.position, toScreen);
  }
  LightVertices(vertexCount, work, material);
  if (material.mapType == MapSpherical || material.mapType == MapCylindrical) {
    for (uint16_t i = 0; i < vertexCount; ++i) {
      work[i].tu = (work[i].turnedNormal.x + 1.0f) * 0.5f;
      work[i].tv = 1.0f - (work[i].turnedNormal.y + 1.0f) * 0.5f;
    }
  }
}

void MeshNode::Draw() {
  for (uint16_t i = 0; i < vertexCount; ++i) {
    const WorkVertex& v = work[i];
    // rhw is a constant, so texture coordinates run linearly across the screen.
    tlVertices[i] = {v.screen.x, v.screen.y, v.screen.z, 0.5f, v.color, 0, v.tu, v.tv};
  }
  if (!CurrentDevice) return;
  CurrentDevice->SetTexture(0, material.textureEntry ? material.textureEntry->texture : nullptr);
  CurrentDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tlVertices, vertexCount,
                                      indices, indexCount, D3DDP_DONOTLIGHT);
}
