// Inside the platform layer: allocations behind a call of the system never throw through it.
// An object whose constructor runs out of memory is simply not made.
#pragma once

#include <utility>
#include <vector>

template <class T, class... Args>
T* NewOrNull(Args&&... args) noexcept {
  try {
    return new T(std::forward<Args>(args)...);
  } catch (...) {
    return nullptr;
  }
}

// Room for one more element, so that a push_back after it cannot throw (may throw itself).
template <class T>
void ReserveOneMore(std::vector<T>& v) {
  if (v.size() == v.capacity()) v.reserve(v.size() * 2 + 4);
}
