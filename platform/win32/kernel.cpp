// KERNEL32 pieces: the debugger output channel. On this platform it is standard error.
#include <windows.h>

#include <cstdio>

void OutputDebugStringA(LPCSTR text) {
  if (text) std::fputs(text, stderr);
}
