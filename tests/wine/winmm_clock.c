/* A stand-in winmm.dll for the Wine checks only: timeGetTime answers VELTA_CLOCK_MS, so a frame
   under Wine shows the same angle as one on our platform. Built with mingw-w64, loaded beside
   velta.exe through WINEDLLOVERRIDES=winmm=n. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <stdlib.h>

__declspec(dllexport) DWORD WINAPI timeGetTime(void) {
  char value[32];
  DWORD n = GetEnvironmentVariableA("VELTA_CLOCK_MS", value, sizeof value);
  if (n > 0 && n < sizeof value) return (DWORD)strtoul(value, NULL, 10);
  return GetTickCount();
}
