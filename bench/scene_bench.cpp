// The per-frame vertex work of a mesh: transform to pixels, turn the normals, light, and fill
// the device's vertices.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "math/builders.h"
#include "scene/mesh_shading.h"
#include "scene/transform_state.h"

namespace {

MeshNode* MakeSphereMesh(int rings, int segments, uint8_t mapType) {
  std::vector<MeshVertex> vertices;
  for (int r = 0; r <= rings; ++r)
    for (int s = 0; s < segments; ++s) {
      float theta = 3.14159265f * r / rings, phi = 6.2831853f * s / segments;
      float nx = std::sin(theta) * std::cos(phi), ny = std::cos(theta), nz = std::sin(theta) * std::sin(phi);
      vertices.push_back({20 * nx, 25 + 20 * ny, 20 * nz, nx, ny, nz, float(s) / segments, float(r) / rings});
    }
  std::vector<uint16_t> indices;
  for (int r = 0; r < rings; ++r)
    for (int s = 0; s < segments; ++s) {
      uint16_t a = uint16_t(r * segments + s), b = uint16_t(r * segments + (s + 1) % segments);
      uint16_t c = uint16_t(a + segments), d = uint16_t(b + segments);
      indices.insert(indices.end(), {a, c, b, b, c, d});
    }
  Material material;
  material.ambient = material.specular = Vector3(0, 0, 0);
  material.diffuse = Vector3(1, 1, 1);
  material.mapType = mapType;
  return new MeshNode("sphere", uint16_t(vertices.size()), vertices.data(), uint16_t(indices.size()),
                      indices.data(), material);
}

void SetUpCamera() {
  ResetWorldMatrix();
  SetCamera(Vector3(0, 50, -100), Vector3(0, 25, 0), Vector3(0, 1, 0));
  SetProjection(3.14159274f / 4, 0.75f, 1.0f, 2000.0f);
  SetScreenRect(0, 0, 640, 480);
  UpdateViewChain();
  InitLightDirection();
}

// Update and Draw of a 10 100-vertex mesh (no device: Draw only fills its vertex buffer).
void BM_MeshUpdate(benchmark::State& state) {
  SetUpCamera();
  MeshNode* mesh = MakeSphereMesh(100, 100, static_cast<uint8_t>(state.range(0)));
  float angle = 0;
  for (auto _ : state) {
    Matrix4 world;
    SetRotateYMatrix(world, angle += 0.01f);
    SetWorldMatrix(world);
    mesh->Update();
    mesh->Draw();
    benchmark::DoNotOptimize(mesh->tlVertices[0]);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * mesh->vertexCount);
  delete mesh;
}
BENCHMARK(BM_MeshUpdate)->Arg(MapPlain)->Arg(MapSpherical);

}  // namespace
