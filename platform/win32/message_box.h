// How a message box reaches the user. MessageBoxA keeps the test record and then hands the box
// to the presenter installed here; the display layer installs its own in place of the headless
// one, and nothing above the platform changes.
#pragma once

#include <windows.h>

#include <string>

// Shows one box and returns the button that closed it. Text and caption are never null.
typedef int (*MessageBoxPresenter)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Installs `presenter` (null: the window one) and returns the one it replaces.
MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter);

// The standard presenter: writes HeadlessMessageBoxLine to standard error, then shows the box
// as a modal window. When the display says nobody answers (Display::WaitsForUser), the window
// is drawn and the style's default button answers at once; otherwise the box waits for a button.
int WindowMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
// The box's window, made hidden with its controls (the text is control 0xFFFF, the icon 20, the
// buttons their answers); `waits` gives the default button the focus. The caller shows and
// runs it, or destroys it. Null for a style without buttons.
HWND CreateMessageBoxWindow(HWND owner, LPCSTR text, LPCSTR caption, UINT type, bool waits);

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

// MessageBoxA's work, which may throw std::bad_alloc; MessageBoxA turns that into a plain answer.
int ShowMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
