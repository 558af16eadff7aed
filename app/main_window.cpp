// The entry point, the window and its message loop, and the window procedure that turns
// messages and commands into the application's operations.
#include "app/app.h"
#include "app/messages.h"
#include "framework/devices.h"
#include "framework/frame.h"
#include "resources/resource.h"

namespace {

const char ClassName[] = "VeltaEngine";
// 로드는 안 됩니다 헛헛
const char OpenFileRefused[] =
    "\xB7\xCE\xB5\xE5\xB4\xC2 \xBE\xC8 \xB5\xCB\xB4\xCF\xB4\xD9 \xC7\xEA\xC7\xEA";
const char RenderingFailed[] = "An error occurred during rendering.\n\nThis sample will now exit";

void SaveWindowRect(HWND window) { GetWindowRect(window, &SavedWindowRect); }

HINSTANCE InstanceOf(HWND window) {
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  return instance ? instance : GetModuleHandleA(nullptr);
}

// The context menu: the first drop-down of menu 145, at the screen point of the message.
void ShowContextMenu(HWND window, LPARAM lParam) {
  HMENU menu = LoadMenuA(InstanceOf(window), MAKEINTRESOURCEA(IDR_POPUPMENU));
  if (!menu) return;
  if (HMENU popup = GetSubMenu(menu, 0))
    TrackPopupMenuEx(popup, TPM_VERTICAL, LOWORD(lParam), HIWORD(lParam), window, nullptr);
  DestroyMenu(menu);
}

void ChangeDevice(HWND window) {
  if (!AppActive || !AppReady) return;
  SetPaused(true);
  if (Windowed) SaveWindowRect(window);
  if (UserSelectDevice(window, Windowed) == 1) {
    DeviceInfo* device = nullptr;
    if (SUCCEEDED(GetSelectedDriverAndDevice(nullptr, &device)) && device) {
      Windowed = device->windowed;
      Reopen3D(window);
    }
  }
  SetPaused(false);
}

LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case CmdExit:
      SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case CmdChangeDevice:
      ChangeDevice(window);
      return 0;
    case CmdAbout:
      SetPaused(true);
      DialogBoxParamA(InstanceOf(window), MAKEINTRESOURCEA(IDD_ABOUT), window, AboutDialogProc, 0);
      SetPaused(false);
      return 0;
    case CmdToggleFullScreen:
      if (AppActive && AppReady) {
        AppReady = 0;
        if (Windowed) SaveWindowRect(window);
        Windowed = !Windowed;
        Reopen3D(window);
        AppReady = 1;
      }
      return 0;
    case CmdGoStop:
      FrameMoving = !FrameMoving;
      break;
    case CmdSingleStep:
      SingleStep = 1;
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      Close3D();
      PostQuitMessage(0);
      return 0;
    case WM_MOVE:
      if (AppActive && AppReady && Windowed && TheFramework) {
        SaveWindowRect(window);
        TheFramework->MoveTo(static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam)));
      }
      break;
    case WM_SIZE:
      AppActive = !(wParam == SIZE_MINIMIZED || wParam == SIZE_MAXHIDE);
      if (AppActive && AppReady && Windowed && TheFramework) {
        AppReady = 0;
        SaveWindowRect(window);
        Reopen3D(window);
        AppReady = 1;
      }
      break;
    case WM_PAINT:
      if (TheFramework) {
        if (AppReady || Windowed)
          TheFramework->PresentFrame();
        else
          TheFramework->ReturnToDesktopSurface(true);
      }
      break;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SETCURSOR:
      if (AppActive && AppReady && !Windowed) {
        SetCursor(nullptr);
        return TRUE;
      }
      break;
    case WM_GETMINMAXINFO:
      if (auto* info = reinterpret_cast<MINMAXINFO*>(lParam)) {
        info->ptMinTrackSize.x = 100;
        info->ptMinTrackSize.y = 100;
      }
      break;
    case WM_CONTEXTMENU:
      ShowContextMenu(window, lParam);
      break;
    case WM_ENTERMENULOOP:
      SetPaused(true);
      break;
    case WM_EXITMENULOOP:
      SetPaused(false);
      break;
    case WM_COMMAND:
      return OnCommand(window, message, wParam, lParam);
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
    EndDialog(dialog, 1);
  return FALSE;
}

LRESULT CALLBACK OpenFileFilterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == CmdOpenFile) {
    SetPaused(true);
    NoticeBox("%s", OpenFileRefused);
    SetPaused(false);
  }
  return MainWindowProc(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
  windowClass.lpszClassName = ClassName;
  RegisterClassA(&windowClass);

  HWND window = CreateWindowExA(
      0, ClassName, AppTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
      640 + 2 * GetSystemMetrics(SM_CXFRAME),
      480 + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) +
          GetSystemMetrics(SM_CYMENU),
      nullptr, nullptr, instance, nullptr);
  if (!window) return 0;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  SaveWindowRect(window);
  HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));

  HRESULT hr = EnumerateDevices(AcceptAllDevices);
  if (FAILED(hr)) {
    ShowFrameworkError(hr, MustExit);
    return 0;
  }
  DeviceInfo* device = nullptr;
  if (FAILED(GetSelectedDriverAndDevice(nullptr, &device)) || !device || !device->windowed) {
    Close3D();
    ShowFrameworkError(FwErrNeedsHighColor, MustExit);
    return 0;
  }
  hr = StartApplication(window);
  if (FAILED(hr)) {
    Close3D();
    ShowFrameworkError(hr, MustExit);
    return 0;
  }

  MSG msg = {};
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  AppReady = 1;
  while (msg.message != WM_QUIT) {
    bool got = AppActive ? PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)
                         : GetMessageA(&msg, nullptr, 0, 0) >= 0;
    if (got) {
      if (!TranslateAcceleratorA(window, accelerators, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    } else if (AppActive && AppReady) {
      if (FAILED(RenderOneFrame())) {
        MessageBoxA(nullptr, RenderingFailed, AppTitle, MB_ICONERROR);
        DestroyWindow(window);
      }
    }
  }
  return static_cast<int>(msg.wParam);
}
