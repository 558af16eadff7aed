// What tests see of the SDL display. Only tests include this.
#pragma once

#include <windows.h>

struct SDL_Window;
struct SDL_Renderer;

// The SDL display's host window and renderer; null when the display in force is another.
SDL_Window* TestSdlWindow();
SDL_Renderer* TestSdlRenderer();
// The rectangle of the screen buffer the host window shows.
RECT TestSdlShownRect();
