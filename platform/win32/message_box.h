// How a message box reaches the user. MessageBoxA keeps the test record and then hands the box
// to the presenter installed here; the display layer installs its own in place of the headless
// one, and nothing above the platform changes.
#pragma once

#include <windows.h>

#include <string>

// Shows one box and returns the button that closed it. Text and caption are never null.
typedef int (*MessageBoxPresenter)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Installs `presenter` (null: the headless one) and returns the one it replaces.
MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter);

// The headless presenter: writes HeadlessMessageBoxLine to standard error and answers with the
// style's default button.
int HeadlessMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// "messagebox: [CAPTION] TEXT" and a line feed, in UTF-8. Line breaks inside the text are
// written as the two characters "\n" so that a box stays on one line; breaks at its end are
// dropped.
std::string HeadlessMessageBoxLine(LPCSTR text, LPCSTR caption);

// The answer of the style's default button (MB_DEFBUTTON1..4, the first button when the style
// has fewer); 0 for a button set that does not exist.
int MessageBoxDefaultButton(UINT type);
