// Scripted input (VELTA_INPUT): steps separated by ';' that a display plays as if a user did
// them, one after each presented frame, or at once while a modal loop waits for input.
//   key NAME        press and release a key; ctrl+, alt+ and shift+ hold modifiers around it
//   frames N        let N presented frames pass (while a modal loop waits: N waits)
//   click X Y       left click at a point of the main window's client area
//   rclick X Y      the same with the right button
//   select ID I     pick item I of combo box ID in the open dialog
//   button ID       press button ID of the open dialog or message box
//   size W H        drag the main window to a W x H client area
//   move X Y        drag the main window's outer top-left corner to (X, Y)
//   minimize, restore
//   snapshot FILE   the main window's client area as a BMP file; while a dialog or menu is
//                   open, the screen under the main window and the popups
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class Display;

enum class InputStepKind { Key, Frames, Click, RightClick, Select, Button, Size, Move, Minimize, Restore, Snapshot };

// Modifiers of a key step.
constexpr unsigned kInputCtrl = 1;
constexpr unsigned kInputAlt = 2;
constexpr unsigned kInputShift = 4;

struct InputStep {
  InputStepKind kind = InputStepKind::Frames;
  std::string text;  // as written, for messages and the echo
  UINT key = 0;      // Key: the virtual key
  unsigned modifiers = 0;
  long a = 0, b = 0;  // the numbers: count; x, y; id, index; id; width, height
  std::string file;   // Snapshot
};

// The virtual key of a key name (F1..F12, Return, space, Escape, a letter, a digit, ...),
// without regard to case; 0 for a name that is none.
UINT InputKeyByName(std::string_view name);

// One step; false with the reason in `error` when the text is not a step.
bool ParseInputStep(std::string_view text, InputStep& step, std::string& error);

// A whole script: the good steps in order, and one line for each bad one, naming it.
struct ParsedInputScript {
  std::vector<InputStep> steps;
  std::vector<std::string> errors;
};
ParsedInputScript ParseInputScript(std::string_view script);

// Plays a script on a display's windows. The display tells it when a frame was presented and
// when its message loop finds the queue empty.
class InputScriptPlayer {
 public:
  InputScriptPlayer(Display& display, std::vector<InputStep> steps, bool echo);

  // A frame reached the screen: the next step becomes due (or a `frames` step counts it).
  void FramePresented();
  // The queue is empty. Without `wait`, plays the step that a frame made due; with `wait`
  // (a loop waits for input), counts a wait for a `frames` step or plays the next step.
  // Returns whether anything happened.
  bool Pump(bool wait);

  bool Exhausted() const { return next_ >= steps_.size() && pendingFrames_ == 0; }
  // The step to come, after any snapshots, is a `button` step (a message box waits for it).
  bool NextIsButton() const;
  size_t Played() const { return next_; }

 private:
  void PlayNext(bool waiting);
  bool Play(const InputStep& step, bool waiting, std::string& error);

  Display& display_;
  std::vector<InputStep> steps_;
  bool echo_;
  size_t next_ = 0;
  uint64_t pendingFrames_ = 0;
  bool due_ = false;
};
