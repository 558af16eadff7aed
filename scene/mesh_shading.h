// Per-frame mesh work done on the processor: transform to pixels, one directional light,
// environment-mapped texture coordinates, and the draw of one indexed triangle list.
#pragma once

#include "math/vector.h"
#include "model/material.h"
#include "scene/model_node.h"

struct IDirect3DDevice3;

// The direction the single light travels in, of unit length, fixed in world space.
extern Vector3 LightDirection;
// The device the render step publishes at the start of every frame; meshes draw to it.
extern IDirect3DDevice3* CurrentDevice;

void InitLightDirection();
// Computes each vertex's lit colour from its turned normal: diffuse only, no ambient.
void LightVertices(uint16_t vertexCount, WorkVertex* work, const Material& material);
