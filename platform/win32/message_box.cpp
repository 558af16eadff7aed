// Message boxes: the test record and answers, the presenter that shows the box, and the line
// each box writes on standard error.
#include "win32/message_box.h"

#include "testing/win32_hooks.h"
#include "win32/text.h"

#include <cstdio>
#include <deque>
#include <iterator>

namespace {

constexpr size_t kMaxRecorded = 4096;

struct BoxState {
  MessageBoxPresenter presenter = WindowMessageBox;
  std::vector<RecordedMessageBox> recorded;
  std::deque<int> queuedAnswers;
  int standingAnswer = 0;
  bool silent = false;
};

// Never destroyed: an exit routine may still show a box after static destruction began.
BoxState& Boxes() {
  static BoxState* state = new BoxState;
  return *state;
}

// The buttons of each MB_TYPEMASK value, left to right.
struct ButtonSet {
  int count;
  int ids[3];
};
constexpr ButtonSet kButtonSets[] = {
    {1, {IDOK}},                              // MB_OK
    {2, {IDOK, IDCANCEL}},                    // MB_OKCANCEL
    {3, {IDABORT, IDRETRY, IDIGNORE}},        // MB_ABORTRETRYIGNORE
    {3, {IDYES, IDNO, IDCANCEL}},             // MB_YESNOCANCEL
    {2, {IDYES, IDNO}},                       // MB_YESNO
    {2, {IDRETRY, IDCANCEL}},                 // MB_RETRYCANCEL
    {3, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}},  // MB_CANCELTRYCONTINUE
};

// Line breaks become the two characters "\n"; those at the end go.
std::string OneLine(const std::string& utf8) {
  size_t end = utf8.size();
  while (end > 0 && (utf8[end - 1] == '\n' || utf8[end - 1] == '\r')) --end;
  std::string out;
  out.reserve(end);
  for (size_t i = 0; i < end; ++i) {
    char c = utf8[i];
    if (c == '\r' || c == '\n') {
      out += "\\n";
      if (c == '\r' && i + 1 < end && utf8[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter) {
  MessageBoxPresenter old = Boxes().presenter;
  Boxes().presenter = presenter ? presenter : WindowMessageBox;
  return old;
}

int MessageBoxDefaultButton(UINT type) {
  UINT set = type & MB_TYPEMASK;
  if (set >= std::size(kButtonSets)) return 0;
  const ButtonSet& buttons = kButtonSets[set];
  UINT index = (type & MB_DEFMASK) >> 8;
  return buttons.ids[index < UINT(buttons.count) ? index : 0];
}

std::string HeadlessMessageBoxLine(LPCSTR text, LPCSTR caption) {
  return "messagebox: [" + OneLine(PlatformAnsiToUtf8(caption ? caption : "")) + "] " +
         OneLine(PlatformAnsiToUtf8(text ? text : "")) + "\n";
}

int HeadlessMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  std::fputs(HeadlessMessageBoxLine(text, caption).c_str(), stderr);
  return MessageBoxDefaultButton(type);
}

namespace {

// Without memory the box is still answered: the line goes to standard error as far as it can
// be made, and the default button answers.
int BoxWithoutMemory(LPCSTR text, LPCSTR caption, UINT type) {
  std::fputs("messagebox: [", stderr);
  for (LPCSTR part : {caption, "] ", text}) {
    for (const char* c = part; *c; ++c) {
      const unsigned char b = static_cast<unsigned char>(*c);
      if (b == '\r' || b == '\n')
        std::fputs(c[1] ? "\\n" : "", stderr);
      else
        std::fputc(b < 0x80 ? b : '?', stderr);
    }
  }
  std::fputc('\n', stderr);
  return MessageBoxDefaultButton(type);
}

}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  if (!text) text = "";
  if (!caption) caption = "Error";
  // Nothing throws through the caller: a box that runs out of memory is answered plainly.
  try {
    return ShowMessageBox(owner, text, caption, type);
  } catch (...) {
    return BoxWithoutMemory(text, caption, type);
  }
}

int ShowMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  BoxState& boxes = Boxes();
  if (boxes.recorded.size() < kMaxRecorded) boxes.recorded.push_back({owner, text, caption, type});

  int ownAnswer = MessageBoxDefaultButton(type);
  if (ownAnswer == 0) return 0;
  if (!boxes.silent) ownAnswer = boxes.presenter(owner, text, caption, type);
  int answer = boxes.standingAnswer;
  if (!boxes.queuedAnswers.empty()) {
    answer = boxes.queuedAnswers.front();
    boxes.queuedAnswers.pop_front();
  }
  return answer ? answer : ownAnswer;
}

const std::vector<RecordedMessageBox>& TestMessageBoxes() {
  return Boxes().recorded;
}

void TestClearMessageBoxes() {
  Boxes().recorded.clear();
}

void TestSetMessageBoxAnswer(int answer) {
  Boxes().standingAnswer = answer;
}

void TestQueueMessageBoxAnswer(int answer) {
  Boxes().queuedAnswers.push_back(answer);
}

void TestSilenceMessageBoxes(bool silent) {
  Boxes().silent = silent;
}

void TestResetMessageBoxes() {
  BoxState& boxes = Boxes();
  boxes.recorded.clear();
  boxes.queuedAnswers.clear();
  boxes.standingAnswer = 0;
  boxes.silent = false;
}
