// The device selection dialog: the template's bytes read back by a walker of our own, and the
// dialog run by the real modal loop with scripted choices: the fill rules, the pending choice
// and what OK and Cancel store.
#include <cstring>
#include <string>
#include <vector>

#include "framework/select_dialog.h"
#include "framework_support.h"

using velta_test::FrameworkTest;

namespace {

// ---- The template, read with a walker independent of the dialog manager's parser ----

class Walker {
 public:
  explicit Walker(const BYTE* b) : b_(b) {}
  DWORD Dword() {
    DWORD v = 0;
    Read(&v, 4);
    return v;
  }
  WORD Word() {
    WORD v = 0;
    Read(&v, 2);
    return v;
  }
  short Short() { return short(Word()); }
  std::u16string Text() {
    std::u16string s;
    for (WORD c; (c = Word()) != 0;) s += char16_t(c);
    return s;
  }
  void Align4() { at_ = (at_ + 3) & ~size_t(3); }
  size_t At() const { return at_; }

 private:
  void Read(void* v, size_t n) {
    if (at_ + n <= SelectDialogTemplateSize) std::memcpy(v, b_ + at_, n);
    at_ += n;
  }
  const BYTE* b_;
  size_t at_ = 0;
};

struct ExpectedItem {
  std::u16string className, text;
  WORD id;
  short x, y, cx, cy;
  DWORD style;
};

TEST(SelectDialogTemplate, BytesFollowTheLayoutItemByItem) {
  DLGTEMPLATE* t = BuildSelectDialogTemplate();
  ASSERT_NE(t, nullptr);
  Walker w(reinterpret_cast<const BYTE*>(t));
  EXPECT_EQ(w.Dword(), 0x90C80BC4u);
  EXPECT_EQ(w.Dword(), 0u);
  EXPECT_EQ(w.Word(), 8);
  const short box[] = {0, 0, 179, 84};
  for (short v : box) EXPECT_EQ(w.Short(), v);
  EXPECT_EQ(w.Word(), 0) << "no menu";
  EXPECT_EQ(w.Word(), 0) << "the standard class";
  EXPECT_EQ(w.Text(), u"Select New Direct3D Driver");
  EXPECT_EQ(w.Word(), 8) << "point size";
  EXPECT_EQ(w.Text(), u"Arial");

  const DWORD combo = 0x50000000 | 0x210003;
  const ExpectedItem items[] = {
      {u"BUTTON", u"OK", 1, 65, 65, 51, 14, 0x50010000},
      {u"BUTTON", u"Cancel", 2, 123, 65, 51, 14, 0x50010000},
      {u"COMBOBOX", u"", 1000, 36, 5, 138, 45, combo},
      {u"COMBOBOX", u"", 1001, 36, 24, 138, 45, combo},
      {u"COMBOBOX", u"", 1002, 36, 44, 138, 45, combo},
      {u"STATIC", u"Driver:", 0xFFFF, 5, 5, 22, 13, 0x50000000},
      {u"STATIC", u"Device:", 0xFFFF, 5, 24, 25, 13, 0x50000000},
      {u"STATIC", u"Mode:", 0xFFFF, 5, 44, 22, 13, 0x50000000},
  };
  for (const ExpectedItem& e : items) {
    SCOPED_TRACE(e.id);
    const size_t before = w.At();
    w.Align4();
    EXPECT_LT(w.At() - before, 4u);
    EXPECT_EQ(w.At() % 4, 0u);
    EXPECT_EQ(w.Dword(), e.style);
    EXPECT_EQ(w.Dword(), 0u);
    EXPECT_EQ(w.Short(), e.x);
    EXPECT_EQ(w.Short(), e.y);
    EXPECT_EQ(w.Short(), e.cx);
    EXPECT_EQ(w.Short(), e.cy);
    EXPECT_EQ(w.Word(), e.id);
    EXPECT_EQ(w.Text(), e.className) << "stored as a text, not an atom";
    EXPECT_EQ(w.Text(), e.text);
    EXPECT_EQ(w.Word(), 0) << "no creation data";
  }
  // The rest of the buffer stays zero.
  const auto* bytes = reinterpret_cast<const BYTE*>(t);
  for (size_t i = w.At(); i < SelectDialogTemplateSize; ++i) ASSERT_EQ(bytes[i], 0) << i;
  FreeSelectDialogTemplate(t);
}

// ---- The dialog run modally, with scripted steps ----

// What a combo box shows: its entries, their data and the selected index.
struct Combo {
  std::vector<std::string> texts;
  std::vector<LRESULT> data;
  LRESULT selected = CB_ERR;
};

Combo ReadCombo(HWND dialog, int id) {
  Combo c;
  const LRESULT n = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    char text[64] = {};
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
    c.texts.push_back(text);
    c.data.push_back(SendDlgItemMessageA(dialog, id, CB_GETITEMDATA, WPARAM(i), 0));
  }
  c.selected = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
  return c;
}

struct Shown {
  Combo drivers, devices, modes;
};

// A step: pick entry `index` of combo `id` (-1 clears the choice), or press a button (id 1, 2).
struct Step {
  int id;
  int index = 0;
};

constexpr UINT NextStep = WM_USER + 100;
std::vector<Step> Steps;
size_t StepAt = 0;
std::vector<Shown> Seen;  // after opening, then after each step

void Record(HWND dialog) {
  Seen.push_back({ReadCombo(dialog, DriverCombo), ReadCombo(dialog, DeviceCombo),
                  ReadCombo(dialog, ModeCombo)});
}

INT_PTR CALLBACK ScriptedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const INT_PTR r = SelectDialogProc(dialog, message, wParam, lParam);
    Record(dialog);
    PostMessageA(dialog, NextStep, 0, 0);
    return r;
  }
  if (message != NextStep) return SelectDialogProc(dialog, message, wParam, lParam);
  // A script that ends without a button cancels, so the dialog always closes.
  const Step step = StepAt < Steps.size() ? Steps[StepAt++] : Step{IDCANCEL};
  HWND control = GetDlgItem(dialog, step.id);
  if (step.id == IDOK || step.id == IDCANCEL) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(step.id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
    return TRUE;
  }
  SendDlgItemMessageA(dialog, step.id, CB_SETCURSEL, WPARAM(step.index), 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(step.id, CBN_SELENDOK),
               reinterpret_cast<LPARAM>(control));
  Record(dialog);
  PostMessageA(dialog, NextStep, 0, 0);
  return TRUE;
}

class SelectDialog : public FrameworkTest {
 protected:
  void Enumerate(const char* profile) {
    ASSERT_TRUE(SelectNamedProfile(profile));
    TestResetDisplay();  // the profile's desktop
    ASSERT_EQ(EnumerateDevices(nullptr), S_OK);
  }
  INT_PTR Run(std::vector<Step> steps) {
    Steps = std::move(steps);
    StepAt = 0;
    Seen.clear();
    DLGTEMPLATE* t = BuildSelectDialogTemplate();
    const INT_PTR r = DialogBoxIndirectParamA(nullptr, t, window_, ScriptedProc, 0);
    FreeSelectDialogTemplate(t);
    return r;
  }
  static DriverInfo* Driver(int i) {
    DriverInfo* d = GetDriverList();
    while (d && i--) d = d->next;
    return d;
  }
  static DeviceInfo* Device(DriverInfo* driver, int i) {
    DeviceInfo* d = driver->devices;
    while (d && i--) d = d->next;
    return d;
  }
  static ModeInfo* ModeNamed(DeviceInfo* device, const char* name) {
    for (ModeInfo* m = device->modes; m; m = m->next)
      if (std::strcmp(m->name, name) == 0) return m;
    return nullptr;
  }
  // The index of a text in a combo, or -1.
  static int IndexOf(const Combo& c, const char* text) {
    for (size_t i = 0; i < c.texts.size(); ++i)
      if (c.texts[i] == text) return int(i);
    return -1;
  }
};

TEST_F(SelectDialog, OpensWithTheSelectionAndFillsTheThreeLists) {
  Enumerate("default");
  EXPECT_EQ(Run({{IDCANCEL}}), 2);
  ASSERT_EQ(Seen.size(), 1u);
  const Shown& s = Seen[0];
  DriverInfo* primary = Driver(0);
  DeviceInfo* hal = Device(primary, 0);
  EXPECT_EQ(s.drivers.texts, std::vector<std::string>{"Primary Display Driver"});
  EXPECT_EQ(s.drivers.data[0], reinterpret_cast<LRESULT>(primary));
  EXPECT_EQ(s.drivers.selected, 0);
  EXPECT_EQ(s.devices.texts,
            (std::vector<std::string>{"Direct3D HAL", "RGB Emulation", "Reference Rasterizer"}));
  EXPECT_EQ(s.devices.data[2], reinterpret_cast<LRESULT>(Device(primary, 2)));
  EXPECT_EQ(s.devices.selected, 0);
  // "Windowed mode" first, with no data, then every mode in list order.
  ASSERT_EQ(s.modes.texts.size(), 21u);
  EXPECT_EQ(s.modes.texts[0], "Windowed mode");
  EXPECT_EQ(s.modes.data[0], 0);
  EXPECT_EQ(s.modes.texts[1], "320 x 200 x 16");
  EXPECT_EQ(s.modes.data[1], reinterpret_cast<LRESULT>(hal->modes));
  EXPECT_EQ(s.modes.texts[20], "1280 x 1024 x 32");
  EXPECT_EQ(s.modes.selected, 0) << "the device runs in a window";
}

TEST_F(SelectDialog, WindowedModeOnlyWhereTheDeviceCanRunInAWindow) {
  const struct {
    const char* profile;
    int driver;
    bool offered;
  } rows[] = {
      {"default", 0, true},          {"desktop16", 0, true},
      {"secondary", 1, false},        // another driver
      {"desktop8", 0, false},         // no device has the desktop's depth
      {"fullscreen-only", 0, false},  // the driver cannot render in a window
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.profile);
    FreeDeviceLists();
    Enumerate(row.profile);
    std::vector<Step> steps;
    if (row.driver) steps.push_back({DriverCombo, row.driver});
    steps.push_back({IDCANCEL});
    EXPECT_EQ(Run(steps), 2);
    const Combo& modes = Seen.back().modes;
    ASSERT_FALSE(modes.texts.empty());
    EXPECT_EQ(modes.texts[0] == "Windowed mode", row.offered);
    EXPECT_EQ(IndexOf(modes, "Windowed mode") >= 0, row.offered);
    if (!row.offered) {
      ASSERT_GE(modes.selected, 0);
      EXPECT_EQ(modes.texts[size_t(modes.selected)], "640 x 480 x 16");
    }
  }
}

TEST_F(SelectDialog, OkStoresOnlyARealChange) {
  Enumerate("default");
  DriverInfo* primary = Driver(0);
  DeviceInfo* hal = Device(primary, 0);
  DeviceInfo* rgb = Device(primary, 1);
  ModeInfo* start = hal->currentMode;
  // After "Windowed mode", two depths for each size: 320 x 200 x 16, 320 x 200 x 32, ...
  const int mode640 = 1 + 10, mode800 = 1 + 13;
  // Nothing changed, and changes undone, answer 2 and store nothing.
  EXPECT_EQ(Run({{IDOK}}), 2);
  EXPECT_EQ(Run({{DeviceCombo, 1}, {DeviceCombo, 0}, {IDOK}}), 2);
  EXPECT_EQ(Run({{ModeCombo, mode800}, {ModeCombo, mode640}, {ModeCombo, 0}, {IDOK}}), 2);
  EXPECT_EQ(Seen[1].modes.texts[size_t(mode800)], "800 x 600 x 32");
  EXPECT_EQ(Seen[1].modes.selected, mode800);
  EXPECT_EQ(hal->currentMode, start);
  EXPECT_TRUE(hal->windowed);

  // A full-screen mode: 1, stored in the device.
  EXPECT_EQ(Run({{ModeCombo, mode800}, {IDOK}}), 1);
  EXPECT_EQ(hal->currentMode, ModeNamed(hal, "800 x 600 x 32"));
  EXPECT_FALSE(hal->windowed);
  EXPECT_EQ(SelectedDriver(), primary);

  // Another device: it shows its own stored mode and becomes the driver's current device.
  rgb->currentMode = ModeNamed(rgb, "1024 x 768 x 16");
  rgb->windowed = FALSE;
  EXPECT_EQ(Run({{DeviceCombo, 1}, {IDOK}}), 1);
  EXPECT_EQ(Seen[1].modes.texts[size_t(Seen[1].modes.selected)], "1024 x 768 x 16");
  EXPECT_EQ(primary->currentDevice, rgb);
  EXPECT_EQ(hal->currentMode, ModeNamed(hal, "800 x 600 x 32")) << "remembered per device";
}

TEST_F(SelectDialog, WindowedModeKeepsTheStoredFullScreenMode) {
  Enumerate("default");
  DeviceInfo* hal = Device(Driver(0), 0);
  ModeInfo* m = ModeNamed(hal, "1024 x 768 x 16");
  hal->currentMode = m;
  hal->windowed = FALSE;
  EXPECT_EQ(Run({{ModeCombo, 0}, {IDOK}}), 1);
  EXPECT_EQ(Seen[0].modes.texts[size_t(Seen[0].modes.selected)], "1024 x 768 x 16");
  EXPECT_EQ(Seen[1].modes.selected, 0);
  EXPECT_TRUE(hal->windowed);
  EXPECT_EQ(hal->currentMode, m);
}

TEST_F(SelectDialog, CancelAndEmptyChoicesDiscardEverything) {
  Enumerate("secondary");
  DriverInfo* primary = Driver(0);
  DeviceInfo* hal = Device(primary, 0);
  ModeInfo* start = hal->currentMode;
  EXPECT_EQ(Run({{DriverCombo, 1}, {ModeCombo, 3}, {IDCANCEL}}), 2);
  EXPECT_EQ(SelectedDriver(), primary);
  EXPECT_EQ(hal->currentMode, start);
  EXPECT_TRUE(hal->windowed);
  EXPECT_EQ(Driver(1)->currentDevice->currentMode,
            ModeNamed(Driver(1)->currentDevice, "640 x 480 x 16"));
  // A notification without a current entry changes nothing.
  EXPECT_EQ(Run({{ModeCombo, -1}, {DeviceCombo, -1}, {DriverCombo, -1}, {IDOK}}), 2);
}

TEST_F(SelectDialog, SwitchingDriversShowsEachDriversOwnChoice) {
  Enumerate("secondary");
  DriverInfo* primary = Driver(0);
  DriverInfo* second = Driver(1);
  DeviceInfo* secondHal = second->currentDevice;
  ASSERT_NE(secondHal, nullptr);
  secondHal->currentMode = ModeNamed(secondHal, "800 x 600 x 16");
  primary->currentDevice = Device(primary, 2);  // the reference rasterizer, in a window
  primary->currentDevice->windowed = TRUE;
  EXPECT_EQ(Run({{DriverCombo, 1}, {DriverCombo, 0}, {DriverCombo, 1}, {IDOK}}), 1);
  ASSERT_EQ(Seen.size(), 4u);
  EXPECT_EQ(Seen[1].devices.texts, std::vector<std::string>{"Direct3D HAL"});
  EXPECT_EQ(Seen[1].modes.texts[size_t(Seen[1].modes.selected)], "800 x 600 x 16");
  EXPECT_EQ(Seen[2].devices.selected, 2);
  EXPECT_EQ(Seen[2].modes.selected, 0) << "the primary driver's device runs in a window";
  EXPECT_EQ(SelectedDriver(), second);
  EXPECT_EQ(second->currentDevice, secondHal);
  EXPECT_FALSE(secondHal->windowed);
}

// A device that remembers running in a window where it cannot shows no mode; OK stores the
// pending choice as it is, and OK without a change (back in a window after full screen on the
// second driver) changes nothing.
TEST_F(SelectDialog, ADeviceThatCannotRunInAWindowKeepsItsStoredChoice) {
  Enumerate("secondary");
  DeviceInfo* secondHal = Driver(1)->currentDevice;
  secondHal->windowed = TRUE;
  EXPECT_EQ(Run({{DriverCombo, 1}, {IDOK}}), 1);
  EXPECT_EQ(Seen[1].modes.selected, CB_ERR);
  EXPECT_EQ(SelectedDriver(), Driver(1));
  EXPECT_TRUE(secondHal->windowed);
  EXPECT_EQ(secondHal->currentMode, ModeNamed(secondHal, "640 x 480 x 16"));
  EXPECT_EQ(Run({{IDOK}}), 2);
  EXPECT_EQ(Seen.back().modes.selected, CB_ERR);
  EXPECT_TRUE(secondHal->windowed);
}

TEST_F(SelectDialog, UserSelectDeviceAnswersMinusOneWithoutSelectionOrTemplate) {
  EXPECT_EQ(UserSelectDevice(window_, TRUE), -1) << "nothing enumerated";
  Enumerate("default");
  TestFailSelectDialogAllocation(true);
  EXPECT_EQ(BuildSelectDialogTemplate(), nullptr);
  EXPECT_EQ(UserSelectDevice(window_, FALSE), -1);
  TestFailSelectDialogAllocation(false);
  EXPECT_FALSE(Device(Driver(0), 0)->windowed) << "the windowed state given is stored first";
}

}  // namespace
