// How the user learns about failures and notices: three kinds of message box.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/result_codes.h"

// Title of the main window and caption of every framework error box.
extern const char* const AppTitle;

// Second argument of ShowFrameworkError.
enum ErrorSeverity : int32_t {
  MustExit = 1,
  FallBackToSoftware = 2,
};

// The English message of a result code, followed by the severity's sentence. Neither exits
// nor switches anything: the callers do.
int ShowFrameworkError(HRESULT code, int32_t severity);
// Korean error texts of the loader and the scene ("벨타 에러", error icon).
int ErrorBox(const char* format, ...);
// Korean notices ("프로그램으로부터의 전갈", OK only, no icon).
int NoticeBox(const char* format, ...);

// The message ShowFrameworkError shows for a code, without the severity sentence.
const char* FrameworkErrorMessage(HRESULT code);

// Captions, code page 949.
extern const char ErrorBoxCaption[];
extern const char NoticeBoxCaption[];
