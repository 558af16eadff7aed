// The application's global state, its callbacks and the lifecycle of the 3D environment: the
// spine between the window and the rendering framework.
#pragma once

#include <d3d.h>

class Framework;

extern BOOL AppActive;      // the window is not minimised
extern BOOL AppReady;       // the 3D environment may be used and nothing holds a pause
extern BOOL Windowed;       // run in the window (else full screen)
extern BOOL FrameMoving;    // Go/stop: advance the animation every frame
extern BOOL SingleStep;     // advance once on the next frame
extern BOOL ShowStats;      // draw the frame-rate line
extern BOOL UseDepthBuffer;
extern BOOL UseBackBuffer;
extern LONG PauseCount;
extern RECT SavedWindowRect;
extern Framework* TheFramework;

// Application callbacks.
HRESULT SceneSetup(HWND window);
HRESULT CreateDeviceResources(IDirect3DDevice3* device, IDirect3DViewport3* viewport);
HRESULT ReleaseDeviceResources(IDirect3DDevice3* device, IDirect3DViewport3* viewport);
HRESULT DestroySceneResources(IDirect3DDevice3* device, IDirect3DViewport3* viewport);
HRESULT AdvanceFrame(IDirect3DDevice3* device, float seconds);
HRESULT DrawFrame(IDirect3DDevice3* device, IDirect3DViewport3* viewport, RECT* clear);
HRESULT SurfacesRestored();
HRESULT AcceptAllDevices(DDCAPS* driverCaps, D3DDEVICEDESC* deviceDesc);

// Lifecycle, called by the window.
HRESULT StartApplication(HWND window);
HRESULT Open3D(HWND window);
HRESULT Reopen3D(HWND window);
HRESULT Close3D();
HRESULT RenderOneFrame();
void SetPaused(bool pause);

// Window procedures.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK OpenFileFilterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The program's entry point.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

// The frame-rate line drawn over every frame.
void DrawStatsLine();
HRESULT DrawOverlayText(IDirect3DDevice3* device, int x, int y, const char* text);
extern DWORD StatsFrameCount;
extern float StatsLastTime;
extern float StatsFps;

// Menu commands.
enum CommandId : WORD {
  CmdExit = 40001,
  CmdChangeDevice = 40010,
  CmdToggleFullScreen = 40011,
  CmdOpenFile = 40012,
  CmdAbout = 40015,
  CmdGoStop = 40016,
  CmdSingleStep = 40017,
};
