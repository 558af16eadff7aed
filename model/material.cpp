#include "model/material.h"

#include <cstring>

void CopyName(char (&dst)[NameFieldSize], const char* src) {
  size_t n = src ? strnlen(src, NameFieldSize - 1) : 0;
  std::memcpy(dst, src ? src : "", n);
  dst[n] = '\0';
}
