// What tests see of and set in the platform's Win32 services: the message boxes shown and
// their answers, and the contents of the in-memory registry. Only tests include this.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One MessageBoxA call as it was made; a null text is recorded as "" and a null caption as
// "Error", the texts the box shows.
struct RecordedMessageBox {
  HWND owner;
  std::string text;     // the bytes given, code page 949
  std::string caption;  // likewise
  UINT type;
};

// Every box since the last clear, oldest first (the first 4096 of them).
const std::vector<RecordedMessageBox>& TestMessageBoxes();
void TestClearMessageBoxes();

// The answer every later box returns; 0 gives back the box's own (the default button when
// headless).
void TestSetMessageBoxAnswer(int answer);
// Answers for the next boxes, one each in order, taken before the standing answer.
void TestQueueMessageBoxAnswer(int answer);
// Silenced boxes are recorded and answered but not shown: no line on standard error.
void TestSilenceMessageBoxes(bool silent);
// Record, answers and silence back to how the program starts.
void TestResetMessageBoxes();

// Fills the registry under a predefined root key. Keys on the way are created; a null or ""
// value name is the key's default value. A string gets its terminator.
void TestSetRegistryValue(HKEY root, LPCSTR subKey, LPCSTR valueName, DWORD type, const void* data,
                          DWORD size);
void TestSetRegistryString(HKEY root, LPCSTR subKey, LPCSTR valueName, LPCSTR value);
void TestAddRegistryKey(HKEY root, LPCSTR subKey);
// Empties the registry; keys still open stay valid and find nothing.
void TestClearRegistry();

// One resource of a module's image as the resource compiler leaves it: its type and name (each
// a MAKEINTRESOURCEA number or a text, texts compared without regard to case) and its bytes.
typedef struct {
  LPCSTR type;
  LPCSTR name;
  const BYTE* data;
  DWORD size;
} MODULE_RESOURCE;

// Adds resources to a module, as its image would carry them. The bytes are copied; a later entry
// of the same type and name takes the place of an earlier one. FALSE (nothing added) for a null
// module or a bad entry.
BOOL TestRegisterResources(HMODULE module, const MODULE_RESOURCE* entries, UINT count);
