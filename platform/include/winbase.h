// KERNEL32 and ADVAPI32 services: debug output, module handles, registry.
#pragma once

#include "wintypes.h"

// Writes the text to the debugger output (standard error here).
void OutputDebugStringA(LPCSTR text);

// Code pages of the ANSI calls. The system's ANSI code page is 949 (Korean).
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008

// Converts `inLen` bytes (-1: up to and including the terminator) of the code page to UTF-16.
// `outLen` 0 asks for the size needed; the result is the count of WCHARs, or 0 on failure
// (bad arguments, unknown code page, output too small, or an invalid byte sequence under
// MB_ERR_INVALID_CHARS; without it such bytes become U+FFFD).
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR in, int inLen, LPWSTR out, int outLen);

// Null names the program itself, whose handle is fixed and never null. "DDRAW.DLL" (any case,
// the extension optional) is loaded when the machine profile says so; any other name gives null.
HMODULE GetModuleHandleA(LPCSTR name);

// The address of an export of a loaded module, null when the module lacks it. Cast it, through
// void*, to the export's own type before calling it.
typedef INT_PTR(WINAPI* FARPROC)();
FARPROC GetProcAddress(HMODULE module, LPCSTR name);

// The environment ("D3DPATH" and the like) is read with the standard getenv of <cstdlib>;
// there is no Win32 call in between.

// ---- Resources of a module ----

typedef HANDLE HGLOBAL;

// A resource of `module` (null: the program) by name and type (RT_MENU, RT_DIALOG, ...); null
// when the module has none.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
// The resource's bytes, valid for the program's life; null for a handle LoadResource did not give.
LPVOID LockResource(HGLOBAL loaded);
DWORD SizeofResource(HMODULE module, HRSRC resource);
