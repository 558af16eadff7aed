#include "framework/util.h"

HRESULT DebugTrace(const char* sourceFile, LONG line, HRESULT code, const char* message) {
  char buffer[256];
  // The name is bounded so the prefix always fits the buffer.
  wsprintfA(buffer, "%.200s(%ld): ", sourceFile ? sourceFile : "", line);
  OutputDebugStringA(buffer);
  OutputDebugStringA(message ? message : "");
  if (code != 0) {
    wsprintfA(buffer, "(hr=%08lx)\n", code);
    OutputDebugStringA(buffer);
  }
  OutputDebugStringA("\n");
  return code;
}
