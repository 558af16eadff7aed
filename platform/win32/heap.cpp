// The program's operator new: the platform's own containers allocate with it, and they must not
// throw through a call of the system. A reserve taken at start-up is given back the first time
// memory runs out, so that the failure paths after it (message boxes, teardown) find room.
// The system's nothrow allocations never draw on it: they fail as they would. Sanitizer builds
// keep their runtime's operator new.
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define VELTA_OWN_OPERATOR_NEW 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELTA_OWN_OPERATOR_NEW 0
#endif
#endif
#ifndef VELTA_OWN_OPERATOR_NEW
#define VELTA_OWN_OPERATOR_NEW 1
#endif

#if VELTA_OWN_OPERATOR_NEW

namespace {

constexpr std::size_t kReserveBytes = 4u << 20;

void* TakeReserve() { return std::malloc(kReserveBytes); }
void* g_reserve = TakeReserve();

void* Allocate(std::size_t size) {
  if (size == 0) size = 1;
  for (;;) {
    if (void* p = std::malloc(size)) return p;
    if (g_reserve) {
      std::free(g_reserve);
      g_reserve = nullptr;
      continue;
    }
    if (std::new_handler handler = std::get_new_handler()) {
      handler();
      continue;
    }
    throw std::bad_alloc();
  }
}

void* AllocateOrNull(std::size_t size) noexcept {
  return std::malloc(size ? size : 1);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

#endif
