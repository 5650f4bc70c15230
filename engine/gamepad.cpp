// Pads through SDL's game-controller layer, started for controllers alone
// (no video, no signal handlers), beside the game's own window and sound.
// Each read of the keys reads the pads too: plugging and unplugging, then
// which controls are held, reported to the input module as keys.
#include "engine/gamepad.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "engine/input.h"

static_assert(PAD_BUTTON_A == SDL_CONTROLLER_BUTTON_A && PAD_BUTTON_START == SDL_CONTROLLER_BUTTON_START &&
              PAD_BUTTON_DPAD_RIGHT == SDL_CONTROLLER_BUTTON_DPAD_RIGHT &&
              PAD_BUTTON_COUNT == SDL_CONTROLLER_BUTTON_MAX);
static_assert(PAD_AXIS_LEFT_X == SDL_CONTROLLER_AXIS_LEFTX && PAD_AXIS_TRIGGER_RIGHT == SDL_CONTROLLER_AXIS_TRIGGERRIGHT &&
              PAD_AXIS_COUNT == SDL_CONTROLLER_AXIS_MAX);

namespace {
// A stick or trigger held past the dead zone, in one direction, as a key;
// analog ones say how far (the stick steers, the trigger opens the throttle
// part way), the others hold their key whole.
struct TPadAxisControl {
  int axis;
  int sign;
  int key;
  int analog;
};

constexpr TPadAxisControl AXIS_CONTROLS[] = {
    {PAD_AXIS_LEFT_X, -1, KEY_LEFT, 1},
    {PAD_AXIS_LEFT_X, 1, KEY_RIGHT, 1},
    {PAD_AXIS_TRIGGER_RIGHT, 1, KEY_UP, 1},
    {PAD_AXIS_TRIGGER_LEFT, 1, KEY_DOWN, 0},
};
constexpr int AXIS_CONTROL_COUNT = sizeof(AXIS_CONTROLS) / sizeof(AXIS_CONTROLS[0]);

struct TButtonKey {
  int button;
  int key;
};

constexpr TButtonKey DEFAULT_BUTTON_KEYS[] = {
    {PAD_BUTTON_DPAD_LEFT, KEY_LEFT}, {PAD_BUTTON_DPAD_RIGHT, KEY_RIGHT}, {PAD_BUTTON_A, KEY_UP},
    {PAD_BUTTON_X, KEY_DOWN},         {PAD_BUTTON_START, KEY_SPACE},      {PAD_BUTTON_BACK, KEY_ESCAPE},
    {PAD_BUTTON_Y, KEY_M},
};

// A control counts while held, unless it was already held when the keys
// were flushed: then only from its next press.
struct TControlState {
  bool held = false;
  bool waitForRelease = false;
};

struct TPad {
  SDL_GameController* controller = nullptr;
  SDL_JoystickID id = -1;
  TControlState buttons[PAD_BUTTON_COUNT];
  TControlState axes[AXIS_CONTROL_COUNT];
};

// A pad made in memory for tests, and the motor requests it got.
struct TVirtualPad {
  SDL_Joystick* joystick = nullptr;
  SDL_JoystickID id = -1;
  std::vector<TPadRumble> rumbles;
};

bool gOpen = false;
bool gExitHandlerSet = false;
std::vector<TPad> gPads;
std::vector<std::unique_ptr<TVirtualPad>> gVirtualPads;
int gButtonKeys[PAD_BUTTON_COUNT];
bool gButtonKeysSet = false;
// What was last reported to the input module for each key.
float gReported[256];
// The game reads its keys dozens of times a tick: the pads are read at most
// once a millisecond, or at once after a change made here.
Uint64 gLastReadMS = 0;
bool gChanged = true;

void SetDefaultButtonKeys() {
  if (gButtonKeysSet) return;
  gButtonKeysSet = true;
  for (int& key : gButtonKeys) key = 0;
  for (const TButtonKey& row : DEFAULT_BUTTON_KEYS) gButtonKeys[row.button] = row.key;
}

// True when the pad is new and now open.
bool AddPad(int deviceIndex) {
  if (!SDL_IsGameController(deviceIndex)) return false;
  SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
  for (const TPad& pad : gPads)
    if (pad.id == id) return false;
  SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
  if (!controller) return false;
  TPad pad;
  pad.controller = controller;
  pad.id = id;
  gPads.push_back(pad);
  return true;
}

// An unplugged pad holds nothing from the next report on.
void RemovePad(SDL_JoystickID id) {
  auto it = std::find_if(gPads.begin(), gPads.end(), [id](const TPad& p) { return p.id == id; });
  if (it == gPads.end()) return;
  SDL_GameControllerClose(it->controller);
  gPads.erase(it);
}

// How far a control is moved, 0..1, for one direction of an axis.
float AxisTravel(SDL_GameController* controller, const TPadAxisControl& control) {
  float value = SDL_GameControllerGetAxis(controller, static_cast<SDL_GameControllerAxis>(control.axis)) / 32767.0f;
  return std::clamp(value * static_cast<float>(control.sign), 0.0f, 1.0f);
}

// Updates a control's state; true when it counts as held now.
bool Counts(TControlState& state, bool held) {
  state.held = held;
  if (!held) state.waitForRelease = false;
  return held && !state.waitForRelease;
}

void Report(const float* amounts) {
  for (int key = 0; key < 256; ++key) {
    if (amounts[key] == gReported[key]) continue;
    gReported[key] = amounts[key];
    EmitPadKey(key, amounts[key]);
  }
}

void PollPads() {
  if (!gOpen) return;
  const Uint64 now = SDL_GetTicks64();
  if (now == gLastReadMS && !gChanged) return;
  gLastReadMS = now;
  gChanged = false;
  SDL_PumpEvents();
  SDL_Event event;
  bool added = false;
  while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
    if (event.type == SDL_CONTROLLERDEVICEADDED) added = AddPad(event.cdevice.which) || added;
    if (event.type == SDL_CONTROLLERDEVICEREMOVED) RemovePad(event.cdevice.which);
  }
  // Opening a pad sets its triggers to rest: read what it holds right away.
  if (added) SDL_JoystickUpdate();
  float amounts[256] = {};
  for (TPad& pad : gPads) {
    for (int button = 0; button < PAD_BUTTON_COUNT; ++button) {
      bool held = SDL_GameControllerGetButton(pad.controller, static_cast<SDL_GameControllerButton>(button));
      if (Counts(pad.buttons[button], held) && gButtonKeys[button]) amounts[gButtonKeys[button]] = 1;
    }
    for (int i = 0; i < AXIS_CONTROL_COUNT; ++i) {
      const TPadAxisControl& control = AXIS_CONTROLS[i];
      float travel = AxisTravel(pad.controller, control);
      if (!Counts(pad.axes[i], travel > PAD_DEAD_ZONE)) continue;
      float amount = control.analog ? travel : 1.0f;
      amounts[control.key] = std::max(amounts[control.key], amount);
    }
  }
  Report(amounts);
}

// The input module has forgotten every held key: so do the pads, until
// each control is let go.
void FlushPads() {
  for (TPad& pad : gPads) {
    for (TControlState& state : pad.buttons) state.waitForRelease = state.held;
    for (TControlState& state : pad.axes) state.waitForRelease = state.held;
  }
  for (float& amount : gReported) amount = 0;
}

int SDLCALL RecordRumble(void* userdata, Uint16 low, Uint16 high) {
  static_cast<TVirtualPad*>(userdata)->rumbles.push_back({low / 65535.0f, high / 65535.0f});
  return 0;
}

int DeviceIndexOf(SDL_JoystickID id) {
  for (int i = 0; i < SDL_NumJoysticks(); ++i)
    if (SDL_JoystickGetDeviceInstanceID(i) == id) return i;
  return -1;
}

TVirtualPad* VirtualPad(int pad) {
  if (pad < 0 || pad >= static_cast<int>(gVirtualPads.size())) return nullptr;
  TVirtualPad* virtualPad = gVirtualPads[pad].get();
  return virtualPad->joystick ? virtualPad : nullptr;
}
}  // namespace

int OpenPads() {
  if (gOpen) return 1;
  SetDefaultButtonKeys();
  // Controllers alone: the game keeps its own signals, and a pad works
  // with no window of SDL's own to have the focus. Buttons go by their
  // place, so A is the south button on every make of pad.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
  if (SDL_Init(SDL_INIT_GAMECONTROLLER) != 0) return 0;
  gOpen = true;
  gChanged = true;
  for (float& amount : gReported) amount = 0;
  for (int i = 0; i < SDL_NumJoysticks(); ++i) AddPad(i);
  SetPadSource(PollPads, FlushPads);
  if (!gExitHandlerSet) {
    gExitHandlerSet = true;
    std::atexit(ClosePads);
  }
  return 1;
}

void ClosePads() {
  if (!gOpen) return;
  SetPadSource(nullptr, nullptr);
  float none[256] = {};
  Report(none);
  for (TPad& pad : gPads) SDL_GameControllerClose(pad.controller);
  gPads.clear();
  for (auto& virtualPad : gVirtualPads) {
    if (!virtualPad->joystick) continue;
    SDL_JoystickClose(virtualPad->joystick);
    virtualPad->joystick = nullptr;
    int index = DeviceIndexOf(virtualPad->id);
    if (index >= 0) SDL_JoystickDetachVirtual(index);
  }
  gVirtualPads.clear();
  SDL_Quit();
  gOpen = false;
}

int PadCount() { return static_cast<int>(gPads.size()); }

void SetPadButtonKey(int button, int key) {
  SetDefaultButtonKeys();
  if (button < 0 || button >= PAD_BUTTON_COUNT || key < 0 || key > 255) return;
  if (gButtonKeys[button] == key) return;
  gButtonKeys[button] = key;
  // A button held through the change lets go of its old key and gives
  // the new one only from its next press.
  for (TPad& pad : gPads) pad.buttons[button].waitForRelease = pad.buttons[button].held;
  gChanged = true;
}

int PadButtonKey(int button) {
  SetDefaultButtonKeys();
  return button >= 0 && button < PAD_BUTTON_COUNT ? gButtonKeys[button] : 0;
}

void PadRumble(float low, float high, int ms) {
  auto strength = [](float v) { return static_cast<Uint16>(std::clamp(v, 0.0f, 1.0f) * 65535.0f); };
  for (TPad& pad : gPads)
    SDL_GameControllerRumble(pad.controller, strength(low), strength(high), static_cast<Uint32>(std::max(ms, 0)));
}

int AttachVirtualPad(int canRumble) {
  if (!OpenPads()) return -1;
  auto virtualPad = std::make_unique<TVirtualPad>();
  SDL_VirtualJoystickDesc desc;
  SDL_zero(desc);
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.name = "Velmora virtual pad";
  desc.userdata = virtualPad.get();
  if (canRumble) desc.Rumble = RecordRumble;
  int index = SDL_JoystickAttachVirtualEx(&desc);
  if (index < 0) return -1;
  virtualPad->joystick = SDL_JoystickOpen(index);
  if (!virtualPad->joystick) {
    SDL_JoystickDetachVirtual(index);
    return -1;
  }
  virtualPad->id = SDL_JoystickInstanceID(virtualPad->joystick);
  gChanged = true;
  gVirtualPads.push_back(std::move(virtualPad));
  const int pad = static_cast<int>(gVirtualPads.size()) - 1;
  // At rest, as a real pad's triggers are (a virtual axis starts in the middle).
  for (int trigger : {PAD_AXIS_TRIGGER_LEFT, PAD_AXIS_TRIGGER_RIGHT}) SetVirtualPadAxis(pad, trigger, 0);
  return pad;
}

void DetachVirtualPad(int pad) {
  TVirtualPad* virtualPad = VirtualPad(pad);
  if (!virtualPad) return;
  gChanged = true;
  SDL_JoystickClose(virtualPad->joystick);
  virtualPad->joystick = nullptr;
  int index = DeviceIndexOf(virtualPad->id);
  if (index >= 0) SDL_JoystickDetachVirtual(index);
}

void SetVirtualPadButton(int pad, int button, int down) {
  TVirtualPad* virtualPad = VirtualPad(pad);
  gChanged = true;
  if (virtualPad) SDL_JoystickSetVirtualButton(virtualPad->joystick, button, down ? 1 : 0);
}

void SetVirtualPadAxis(int pad, int axis, float value) {
  TVirtualPad* virtualPad = VirtualPad(pad);
  if (!virtualPad) return;
  gChanged = true;
  // A virtual trigger spans the whole axis, at rest at its bottom.
  float v;
  if (axis == PAD_AXIS_TRIGGER_LEFT || axis == PAD_AXIS_TRIGGER_RIGHT) {
    v = std::clamp(value, 0.0f, 1.0f) * 2 - 1;
  } else {
    v = std::clamp(value, -1.0f, 1.0f);
  }
  Sint16 raw = v <= -1.0f ? SDL_JOYSTICK_AXIS_MIN : static_cast<Sint16>(std::lround(v * 32767.0f));
  SDL_JoystickSetVirtualAxis(virtualPad->joystick, axis, raw);
}

std::vector<TPadRumble> VirtualPadRumbles(int pad) {
  if (pad < 0 || pad >= static_cast<int>(gVirtualPads.size())) return {};
  return gVirtualPads[pad]->rumbles;
}
