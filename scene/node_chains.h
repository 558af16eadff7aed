// First-child / next-sibling trees, where a node owns its first child and its next sibling:
// the linking and the destruction the model tree and the object trees share.
#pragma once

// Appends `node` at the end of the sibling chain that starts at `first`.
template <typename Node>
void AppendSibling(Node* first, Node* node) {
  Node* last = first;
  while (last->nextSibling) last = last->nextSibling;
  last->nextSibling = node;
}

// Destroys the subtree and the sibling chain hanging off a node from an explicit list linked
// through nextSibling, so neither a long chain nor a deep hierarchy can exhaust the stack. Each
// node is unlinked before it is deleted, so its own destructor finds nothing left to free.
template <typename Node>
void DestroyChains(Node*& firstChild, Node*& nextSibling) {
  Node* pending = nullptr;
  auto defer = [&pending](Node* chain) {
    while (chain) {
      Node* next = chain->nextSibling;
      chain->nextSibling = pending;
      pending = chain;
      chain = next;
    }
  };
  defer(firstChild);
  defer(nextSibling);
  firstChild = nullptr;
  nextSibling = nullptr;
  while (pending) {
    Node* node = pending;
    pending = node->nextSibling;
    node->nextSibling = nullptr;
    defer(node->firstChild);
    node->firstChild = nullptr;
    delete node;
  }
}
