// Identifiers of the program's resources and of the commands its menus and keys carry.
#pragma once

#define IDI_MAIN 101         // the program's icon (group icon; its image is icon 1)
#define IDR_ACCELERATORS 113
#define IDR_MAINMENU 141     // the window's menu bar
#define IDD_ABOUT 142
#define IDR_POPUPMENU 145    // the context menu

#define IDI_MAIN_IMAGE 1     // the 32 x 32 image of IDI_MAIN

#define IDM_EXIT 40001
#define IDM_CHANGEDEVICE 40010
#define IDM_TOGGLEFULLSCREEN 40011
#define IDM_OPENFILE 40012
#define IDM_ABOUT 40015
#define IDM_GOSTOP 40016
#define IDM_SINGLESTEP 40017

#define IDC_STATIC (-1)
