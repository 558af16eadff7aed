// The program's resource script: the main menu, the context menu, the accelerator keys, the
// About box and the icon, written into their binary layouts and handed to the program's module.
#include "resources/resources.h"

#include "resources/resource_writer.h"

#include <iterator>
#include <vector>

namespace {

const MenuLine MainMenu[] = {
    {0, "&File", 0, true},
    {1, "&Open File...\tCtrl+O", IDM_OPENFILE, false},
    {1, nullptr, 0, false},
    {1, "&Go/stop\tEnter", IDM_GOSTOP, false},
    {1, "&Single step\tSpace", IDM_SINGLESTEP, false},
    {1, nullptr, 0, false},
    {1, "&About...\tF1", IDM_ABOUT, false},
    {1, "&Change device...\tF2", IDM_CHANGEDEVICE, false},
    {1, nullptr, 0, false},
    {1, "E&xit\tESC", IDM_EXIT, false},
};

const MenuLine PopupMenu[] = {
    {0, "Popup", 0, true},
    {1, "&Go/stop", IDM_GOSTOP, false},
    {1, "&Single step", IDM_SINGLESTEP, false},
    {1, nullptr, 0, false},
    {1, "&About...", IDM_ABOUT, false},
    {1, "&Change device...", IDM_CHANGEDEVICE, false},
    {1, nullptr, 0, false},
    {1, "E&xit", IDM_EXIT, false},
};

// Virtual keys that leave the menu's look alone when pressed.
constexpr BYTE Key = FVIRTKEY | FNOINVERT;

const AccelLine Accelerators[] = {
    {Key | FCONTROL, 'O', IDM_OPENFILE},
    {Key, VK_RETURN, IDM_GOSTOP},
    {Key, VK_SPACE, IDM_SINGLESTEP},
    {Key, VK_F1, IDM_ABOUT},
    {Key, VK_F2, IDM_CHANGEDEVICE},
    {Key | FALT, VK_RETURN, IDM_TOGGLEFULLSCREEN},
    {Key, VK_ESCAPE, IDM_EXIT},
    {Key | FALT, 'X', IDM_EXIT},
};

const DialogLine AboutBox = {
    DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT,
    0, 0, 172, 111, "About", 8, "MS Sans Serif",
};

constexpr WORD Button = 0x0080;
constexpr WORD Static = 0x0082;
constexpr WORD NoId = WORD(IDC_STATIC);
constexpr DWORD Child = WS_CHILD | WS_VISIBLE;
constexpr DWORD LeftText = Child | WS_GROUP | SS_LEFT;
constexpr DWORD CentredText = Child | WS_GROUP | SS_CENTER;

const ControlLine AboutControls[] = {
    {Child | WS_TABSTOP | BS_DEFPUSHBUTTON, 115, 90, 40, 14, IDOK, Button, "OK", 0},
    {Child | SS_ICON, 5, 5, 20, 20, NoId, Static, nullptr, IDI_MAIN},
    {LeftText, 35, 5, 111, 8, NoId, Static, "D3D Character Demo", 0},
    {LeftText, 35, 15, 127, 8, NoId, Static, "Velta viewer", 0},
    {Child | BS_GROUPBOX, 5, 30, 160, 55, NoId, Button, "Usage", 0},
    {CentredText, 10, 40, 45, 8, NoId, Static, "<F1>", 0},
    {LeftText, 60, 40, 20, 8, NoId, Static, "About", 0},
    {CentredText, 10, 50, 45, 8, NoId, Static, "<F2>", 0},
    {LeftText, 60, 50, 97, 8, NoId, Static, "Select Driver / Device / Mode", 0},
    {CentredText, 10, 60, 45, 8, NoId, Static, "<Alt+Enter>", 0},
    {LeftText, 60, 60, 98, 8, NoId, Static, "Toggle Fullscreen / Windowed", 0},
    {CentredText, 10, 70, 45, 8, NoId, Static, "<ESC>", 0},
    {LeftText, 60, 70, 12, 8, NoId, Static, "Exit", 0},
};

MODULE_RESOURCE Entry(LPCSTR type, WORD id, const std::vector<BYTE>& bytes) {
  return MODULE_RESOURCE{type, MAKEINTRESOURCEA(id), bytes.data(), DWORD(bytes.size())};
}

// Before the entry point: nothing in the program calls into this file, and its resources
// must be there when the window class is registered.
[[maybe_unused]] const BOOL Registered = RegisterProgramResources();

}  // namespace

BOOL RegisterProgramResources() {
  static BOOL done = FALSE;
  if (done) return TRUE;
  const std::vector<BYTE> mainMenu = WriteMenuTemplate(MainMenu, std::size(MainMenu));
  const std::vector<BYTE> popupMenu = WriteMenuTemplate(PopupMenu, std::size(PopupMenu));
  const std::vector<BYTE> accelerators =
      WriteAcceleratorTable(Accelerators, std::size(Accelerators));
  const std::vector<BYTE> about =
      WriteDialogTemplate(AboutBox, AboutControls, std::size(AboutControls));
  DWORD pixels[IconSize * IconSize];
  DrawProgramIcon(pixels);
  const std::vector<BYTE> iconImage = WriteIconImage(pixels, IconSize, IconSize);
  const std::vector<BYTE> iconGroup =
      WriteGroupIcon(IconSize, IconSize, DWORD(iconImage.size()), IDI_MAIN_IMAGE);

  const MODULE_RESOURCE entries[] = {
      Entry(RT_MENU, IDR_MAINMENU, mainMenu),
      Entry(RT_MENU, IDR_POPUPMENU, popupMenu),
      Entry(RT_ACCELERATOR, IDR_ACCELERATORS, accelerators),
      Entry(RT_DIALOG, IDD_ABOUT, about),
      Entry(RT_ICON, IDI_MAIN_IMAGE, iconImage),
      Entry(RT_GROUP_ICON, IDI_MAIN, iconGroup),
  };
  done = PlatformRegisterResources(GetModuleHandleA(nullptr), entries, UINT(std::size(entries)));
  return done;
}
