#include "scene/model_node.h"

#include <cstring>
#include <new>

#include "scene/node_chains.h"

ModelNode::ModelNode() : firstChild(nullptr), nextSibling(nullptr), model(nullptr), name{}, kind(0) {}

void ModelNode::Update() {}
void ModelNode::Draw() {}

ModelNode::~ModelNode() { DestroyChains(firstChild, nextSibling); }

void ModelNode::AddChild(ModelNode* node) {
  if (!firstChild)
    firstChild = node;
  else
    firstChild->AddSibling(node);
}

void ModelNode::AddSibling(ModelNode* node) { AppendSibling<ModelNode>(this, node); }

SceneNode::SceneNode() : params{} {
  kind = NodeKindScene;
  SetIdentity(matrix);
}

Model::Model() : liveObjects(0), meshCount(0), meshes(nullptr) { kind = NodeKindModel; }

Model::~Model() {
  delete[] meshes;
  meshes = nullptr;
}

MeshNode::MeshNode(const char* nodeName, uint16_t vertexCount_, const MeshVertex* vertices,
                   uint16_t indexCount_, const uint16_t* indices_, const Material& material_)
    : vertexCount(0), work(nullptr), tlVertices(nullptr), indexCount(0), indices(nullptr),
      material(), meshIndex(0) {
  kind = NodeKindMesh;
  CopyName(name, nodeName);
  material = material_;
  if (vertexCount_ > 0 && vertices) {
    work = new (std::nothrow) WorkVertex[vertexCount_]();
    tlVertices = new (std::nothrow) D3DTLVERTEX[vertexCount_]();
    if (work && tlVertices) {
      vertexCount = vertexCount_;
      for (uint16_t i = 0; i < vertexCount; ++i) {
        const MeshVertex& v = vertices[i];
        work[i].position = Vector3(v.x, v.y, v.z);
        work[i].normal = Vector3(v.nx, v.ny, v.nz);
        work[i].tu = v.tu;
        work[i].tv = v.tv;
      }
    }
  }
  // Indices without the vertices they name would point past them.
  if (indexCount_ > 0 && indices_ && (vertexCount > 0 || vertexCount_ == 0)) {
    indices = new (std::nothrow) uint16_t[indexCount_];
    if (indices) {
      indexCount = indexCount_;
      std::memcpy(indices, indices_, sizeof(uint16_t) * indexCount);
    }
  }
}

MeshNode::~MeshNode() {
  delete[] work;
  delete[] tlVertices;
  delete[] indices;
  work = nullptr;
  tlVertices = nullptr;
  indices = nullptr;
}
