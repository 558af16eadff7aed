// Reading in-memory dialog templates (DLGTEMPLATE and its DLGITEMTEMPLATE items) into plain
// records. Templates carry no length, so every read is checked against a limit the caller gives.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// A template is read for at most this many bytes; none of the system's templates comes near.
constexpr size_t kMaxDialogTemplateBytes = 64 * 1024;
// Extended templates (DLGTEMPLATEEX) start with these two words; they are refused.
constexpr DWORD kExtendedTemplateSignature = 0xFFFF0001;

// A field that is either absent, an ordinal (0xFFFF and a word) or a text (in the ANSI code
// page, converted from UTF-16).
struct TemplateName {
  bool present = false;
  bool isOrdinal = false;
  WORD ordinal = 0;
  std::string text;
};

struct DialogItemSpec {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  WORD id = 0;
  std::string className;  // an atom of a predefined class is given by its name
  TemplateName text;
  std::vector<BYTE> creationData;  // without its size word
};

struct DialogSpec {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  TemplateName menu;
  TemplateName windowClass;  // absent: the dialog class
  std::string title;
  bool hasFont = false;
  WORD pointSize = 0;
  std::string faceName;
  std::vector<DialogItemSpec> items;
};

// Why a template was refused.
enum class TemplateError { None, Truncated, Extended, BadClass };

// Reads the template at `data`, looking at no byte at or past data + limit. The result says
// what went wrong; `out` is complete only with TemplateError::None.
TemplateError ParseDialogTemplate(const void* data, size_t limit, DialogSpec& out);

// The name of a predefined control class atom (0x0080 "BUTTON" ... 0x0085 "COMBOBOX"), or null.
const char* PredefinedControlClass(WORD atom);

// UTF-16 (host order) to the ANSI code page; characters it lacks become '?'.
std::string WideToAnsi(const WCHAR* text, size_t count);
