// The drop-down list combo box ("COMBOBOX" with CBS_DROPDOWNLIST) and its list popup
// ("ComboLBox"): the state they share.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ComboItem {
  std::string text;
  LRESULT data = 0;
};

struct ComboState {
  std::vector<ComboItem> items;
  int selected = -1;
  HWND list = nullptr;  // the open drop-down list, or null
  int hot = -1;         // the item marked in the open list
  int top = 0;          // the first item the open list shows
  int totalHeight = 0;  // the height the control was made with: field and list together
  int barDrag = -1;     // while the thumb of the list's scroll bar is dragged: the grip's offset
};

// The state of a live combo box, or null.
ComboState* FindComboState(HWND combo);

// Height of one item in the list and of the closed field, from the control's font.
int ComboItemHeight(HWND combo);
// Items the open list shows at once.
int ComboVisibleItems(HWND combo);

// Closes the open list and, for index >= 0, selects that item as the user's choice:
// CBN_SELCHANGE and CBN_SELENDOK to the parent; for -1, CBN_SELENDCANCEL. CBN_CLOSEUP last.
void ComboFinish(HWND combo, int index);
// Keeps the marked item inside the open list's view and repaints it.
void ComboShowHot(HWND combo);
// Scrolls the open list's view by `rows` (negative: up), keeping it within the items.
void ComboScrollList(HWND combo, int rows);

// The list popup: made below (or above) the combo box, shown without taking activation.
HWND CreateComboList(HWND combo, const RECT& onScreen);
ATOM RegisterComboListClass();
