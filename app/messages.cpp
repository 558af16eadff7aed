#include "app/messages.h"

#include <ddraw.h>

#include <cstdarg>
#include <cstring>

const char* const AppTitle = "Velta Character Demo v.003";

const char ErrorBoxCaption[] = "\xBA\xA7\xC5\xB8 \xBF\xA1\xB7\xAF";  // 벨타 에러
// 프로그램으로부터의 전갈
const char NoticeBoxCaption[] =
    "\xC7\xC1\xB7\xCE\xB1\xD7\xB7\xA5\xC0\xB8\xB7\xCE\xBA\xCE\xC5\xCD\xC0\xC7 \xC0\xFC\xB0\xA5";

namespace {

struct CodeMessage {
  HRESULT code;
  const char* text;
};

const CodeMessage MessageTable[] = {
    {E_OUTOFMEMORY, "Not enough memory!"},
    {EnumErrFailed,
     "Enumeration failed. Your system may be in an\nunstable state and need to be rebooted"},
    {EnumErrTryReference,
     "Could not find any compatible devices.\n\nTry enabling the reference rasterizer."},
    {EnumErrNoCompatible, "Could not find any compatible Direct3D\ndevices."},
    {FwErrGeneric, "Generic initialization error.\n\nEnable debug output for detailed information."},
    {FwErrNoDirectDraw, "No DirectDraw"},
    {FwErrCoopLevel, "Could not set Cooperative Level"},
    {FwErrNoDirect3D, "No Direct3D"},
    {FwErrNoDevice, "No 3D Device"},
    {FwErrNoDepthBuffer, "No ZBuffer"},
    {FwErrNoViewport, "No Viewport"},
    {FwErrNoPrimary, "No primary"},
    {FwErrNoClipper, "No Clipper"},
    {FwErrBadMode, "Bad display mode"},
    {FwErrNoBackBuffer, "No backbuffer"},
    {FwErrStillReferenced, "Nonzerorefcount"},
    {FwErrNoRenderTarget, "No render target"},
    {FwErrNeedsHighColor,
     "This sample requires a 16-bit (or higher) display mode\nto run in a window.\n\nPlease "
     "switch your desktop settings accordingly."},
    {DDERR_OUTOFVIDEOMEMORY,
     "There was insufficient video memory to use the\nhardware device."},
};

const char GenericMessage[] =
    "Generic application error.\n\nEnable debug output for detailed information.";

constexpr int FormatBufferSize = 1024;

// Longest prefix of `text` of at most `limit` bytes that does not split a double-byte
// character of code page 949 (lead bytes 0x81 to 0xFE take the byte after them).
size_t WholeCharacters(const char* text, size_t length, size_t limit) {
  size_t i = 0, kept = 0;
  while (i < length) {
    size_t step = (static_cast<unsigned char>(text[i]) >= 0x81 && i + 1 < length) ? 2 : 1;
    if (i + step > limit) break;
    i += step;
    kept = i;
  }
  return kept;
}

int ShowFormatted(const char* caption, UINT style, const char* format, va_list args) {
  char text[FormatBufferSize];
  int n = wvsprintfA(text, format ? format : "", args);
  size_t length = n > 0 ? static_cast<size_t>(n) : 0;
  // Room for the line break and the terminator, cut between characters.
  length = WholeCharacters(text, length, FormatBufferSize - 3);
  std::memcpy(text + length, "\r\n", 3);
  return MessageBoxA(nullptr, text, caption, style);
}

}  // namespace

const char* FrameworkErrorMessage(HRESULT code) {
  for (const CodeMessage& row : MessageTable)
    if (row.code == code) return row.text;
  return GenericMessage;
}

int ShowFrameworkError(HRESULT code, int32_t severity) {
  char text[512];
  const char* message = FrameworkErrorMessage(code);
  const char* sentence = "";
  UINT style = MB_ICONWARNING;
  if (severity == MustExit) {
    sentence = "\n\nThis sample will now exit.";
    style = MB_ICONERROR;
  } else if (severity == FallBackToSoftware) {
    sentence = "\n\nSwitching to software rasterizer.";
  }
  size_t m = std::strlen(message), s = std::strlen(sentence);
  std::memcpy(text, message, m);
  std::memcpy(text + m, sentence, s + 1);
  return MessageBoxA(nullptr, text, AppTitle, style);
}

int ErrorBox(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result = ShowFormatted(ErrorBoxCaption, MB_ICONERROR, format, args);
  va_end(args);
  return result;
}

int NoticeBox(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result = ShowFormatted(NoticeBoxCaption, MB_OK, format, args);
  va_end(args);
  return result;
}
