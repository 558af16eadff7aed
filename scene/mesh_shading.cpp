// Per-frame mesh work: transform, light and draw. The renderer fills these in.
#include "scene/model_node.h"

void MeshNode::Update() {}
void MeshNode::Draw() {}
