// Game controllers through SDL's game-controller layer, its library loaded at start-up.
#include "platform/Gamepad.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "platform/Input.h"
#include "platform/StateResets.h"
#include "platform/TSdlLibrary.h"

namespace {

// The bindings-file names, in the order of TPadInput.
const char* const kPadInputNames[kPadInputCount] = {
    "PadA",          "PadB",           "PadX",          "PadY",           "PadBack",
    "PadGuide",      "PadStart",       "PadLS",         "PadRS",          "PadLB",
    "PadRB",         "PadUp",          "PadDown",       "PadLeft",        "PadRight",
    "PadLT",         "PadRT",          "PadLeftStickUp", "PadLeftStickDown", "PadLeftStickLeft",
    "PadLeftStickRight", "PadRightStickUp", "PadRightStickDown", "PadRightStickLeft", "PadRightStickRight",
};

// SDL's largest axis value.
constexpr float kAxisRange = 32767.0f;
// SDL's strongest rumble.
constexpr float kRumbleRange = 65535.0f;

using TController = TSdlLibrary::Controller;

struct PadState {
    // SDL's functions while its controller subsystem runs, else null.
    const TSdlLibrary* sdl = nullptr;
    std::vector<TController*> pads;
    // Raw axes of SDL's standard layout, -1..1 (triggers 0..1).
    std::array<float, TSdlLibrary::kAxisCount> axes{};
    std::array<float, kPadInputCount> amount{};
    std::array<bool, kPadInputCount> down{};
    std::array<int, kPadInputCount> hits{};
    int disconnects = 0;
    unsigned presses = 0;
    int lastPressed = -1;
    // The mappings file, named to the player when a pad has no mapping.
    std::string mappingsPath;
    // Joysticks without a mapping already told about, by SDL's instance number.
    std::vector<int32_t> unmappedTold;
};

PadState pad;

// A stick's two axes after the radial dead zone.
void DeadZoned(float x, float y, float& outX, float& outY) {
    float length = std::sqrt(x * x + y * y);
    if (length < kPadDeadZone) {
        outX = outY = 0.0f;
        return;
    }
    float scaled = std::min(1.0f, (length - kPadDeadZone) / (1.0f - kPadDeadZone));
    outX = x / length * scaled;
    outY = y / length * scaled;
}

// A trigger after the dead zone, so a trigger that does not quite rest at 0 fires nothing.
float TriggerAmount(float raw) {
    float pulled = std::clamp(raw, 0.0f, 1.0f);
    return pulled < kPadDeadZone ? 0.0f : (pulled - kPadDeadZone) / (1.0f - kPadDeadZone);
}

// Sets a control's amount, counting a press when it crosses into pressed.
void SetAmount(int input, float amount) {
    pad.amount[size_t(input)] = amount;
    bool& isDown = pad.down[size_t(input)];
    if (!isDown && amount >= kPadPressAmount) {
        isDown = true;
        ++pad.hits[size_t(input)];
        ++pad.presses;
        pad.lastPressed = input;
    } else if (isDown && amount < kPadReleaseAmount) {
        isDown = false;
    }
}

// The analog controls anew from the raw axes.
void UpdateAnalogInputs() {
    SetAmount(kPadLT, TriggerAmount(pad.axes[TSdlLibrary::kAxisTriggerLeft]));
    SetAmount(kPadRT, TriggerAmount(pad.axes[TSdlLibrary::kAxisTriggerRight]));
    float x, y;
    DeadZoned(pad.axes[TSdlLibrary::kAxisLeftX], pad.axes[TSdlLibrary::kAxisLeftY], x, y);
    SetAmount(kPadLeftStickUp, std::max(0.0f, -y));
    SetAmount(kPadLeftStickDown, std::max(0.0f, y));
    SetAmount(kPadLeftStickLeft, std::max(0.0f, -x));
    SetAmount(kPadLeftStickRight, std::max(0.0f, x));
    DeadZoned(pad.axes[TSdlLibrary::kAxisRightX], pad.axes[TSdlLibrary::kAxisRightY], x, y);
    SetAmount(kPadRightStickUp, std::max(0.0f, -y));
    SetAmount(kPadRightStickDown, std::max(0.0f, y));
    SetAmount(kPadRightStickLeft, std::max(0.0f, -x));
    SetAmount(kPadRightStickRight, std::max(0.0f, x));
}

// Everything released, as when a pad is unplugged with buttons held.
void ReleaseAll() {
    pad.axes.fill(0.0f);
    pad.amount.fill(0.0f);
    pad.down.fill(false);
}

// The instance number SDL gives an open pad.
int32_t InstanceOf(TController* controller) {
    return pad.sdl->JoystickInstanceID(pad.sdl->GameControllerGetJoystick(controller));
}

// The GUID as SDL's mapping lines write it: 32 lower-case hex digits.
std::string GuidText(const TSdlLibrary::Guid& guid) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : guid.data) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0xF];
    }
    return text;
}

// A joystick SDL has no mapping for cannot be read in the standard layout: the player is told
// once what it is and where its mapping goes.
void TellUnmapped(int deviceIndex, int32_t id) {
    if (std::find(pad.unmappedTold.begin(), pad.unmappedTold.end(), id) != pad.unmappedTold.end()) return;
    pad.unmappedTold.push_back(id);
    const TSdlLibrary& sdl = *pad.sdl;
    const char* name = sdl.JoystickNameForIndex(deviceIndex);
    ShowNotice(std::string("game controller \"") + (name ? name : "(no name)") + "\" (GUID " +
                   GuidText(sdl.JoystickGetDeviceGUID(deviceIndex)) + ") has no mapping and is not read; add its line to " +
                   (pad.mappingsPath.empty() ? std::string("gamecontrollerdb.txt") : pad.mappingsPath),
               0);
}

void OpenPad(int deviceIndex) {
    const TSdlLibrary& sdl = *pad.sdl;
    int32_t id = sdl.JoystickGetDeviceInstanceID(deviceIndex);
    if (!sdl.IsGameController(deviceIndex)) {
        TellUnmapped(deviceIndex, id);
        return;
    }
    for (TController* open : pad.pads)
        if (InstanceOf(open) == id) return;
    TController* controller = sdl.GameControllerOpen(deviceIndex);
    if (!controller) {
        DebugNote(std::string("game controller could not be opened: ") + sdl.GetError());
        return;
    }
    pad.pads.push_back(controller);
    const char* name = sdl.GameControllerName(controller);
    DebugNote(std::string("game controller connected: ") + (name ? name : "(no name)"));
}

void ClosePad(int32_t id) {
    for (auto it = pad.pads.begin(); it != pad.pads.end(); ++it) {
        if (InstanceOf(*it) != id) continue;
        pad.sdl->GameControllerClose(*it);
        pad.pads.erase(it);
        ++pad.disconnects;
        ReleaseAll();
        DebugNote("game controller disconnected");
        return;
    }
}

void AddMappings(const std::string& path) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) return;
    const std::string shown = path.substr(path.find_last_of('/') + 1);
    if (!S_ISREG(info.st_mode) || info.st_size > kMaxPadMappingsBytes) {
        ShowNotice(shown + " is not read: not a file of at most " + std::to_string(kMaxPadMappingsBytes) + " bytes", 0);
        return;
    }
    const TSdlLibrary& sdl = *pad.sdl;
    TSdlLibrary::RWops* file = sdl.RWFromFile(path.c_str(), "rb");
    int added = file ? sdl.GameControllerAddMappingsFromRW(file, 1) : -1;
    if (added < 0) ShowNotice(shown + " cannot be read: " + sdl.GetError(), 0);
    else if (added == 0 && info.st_size > 0) ShowNotice(shown + " holds no mapping SDL can use", 0);
}

}  // namespace

int OpenGamepads(const std::string& mappingsPath) {
    if (pad.sdl) return 1;
    const TSdlLibrary* sdl = TSdlLibrary::Load();
    if (!sdl) {
        DebugNote("no game controllers: " + TSdlLibrary::LoadError());
        return 0;
    }
    // SDL cannot see whether the game's own window has the focus; the events come regardless
    // and the window's focus decides whether they are read.
    sdl->SetHint("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1");
    // Ctrl+C and the like stay the game's, not events SDL would queue.
    sdl->SetHint("SDL_NO_SIGNAL_HANDLERS", "1");
    if (sdl->InitSubSystem(TSdlLibrary::kInitGameController) != 0) {
        DebugNote(std::string("no game controllers: ") + sdl->GetError());
        return 0;
    }
    pad.sdl = sdl;
    pad.mappingsPath = mappingsPath;
    AddMappings(mappingsPath);
    for (int i = 0; i < sdl->NumJoysticks(); ++i) OpenPad(i);
    return 1;
}

void CloseGamepads() {
    const TSdlLibrary* sdl = pad.sdl;
    if (!sdl) return;
    for (TController* controller : pad.pads) sdl->GameControllerClose(controller);
    pad = PadState{};
    sdl->QuitSubSystem(TSdlLibrary::kInitGameController);
}

void PumpGamepads() {
    if (!pad.sdl) return;
    TSdlLibrary::Event event{};
    bool axesMoved = false;
    const bool focused = WindowHasFocus() != 0;
    while (pad.sdl && pad.sdl->PollEvent(&event)) {
        switch (event.type) {
            // Every joystick is announced as one; those with a mapping as a controller too.
            case TSdlLibrary::kJoyDeviceAdded:
            case TSdlLibrary::kControllerDeviceAdded: OpenPad(event.device.which); break;
            case TSdlLibrary::kControllerDeviceRemoved: ClosePad(event.device.which); break;
            case TSdlLibrary::kControllerButtonDown:
            case TSdlLibrary::kControllerButtonUp:
                // Buttons past the standard layout's (paddles, touchpad) are not read, nor
                // any control while another window has the focus.
                if (event.button.button < TSdlLibrary::kButtonCount && focused)
                    SetAmount(event.button.button, event.button.state ? 1.0f : 0.0f);
                break;
            case TSdlLibrary::kControllerAxisMotion:
                if (event.axis.axis < TSdlLibrary::kAxisCount && focused) {
                    pad.axes[event.axis.axis] = std::max(-1.0f, float(event.axis.value) / kAxisRange);
                    axesMoved = true;
                }
                break;
            default: break;
        }
    }
    if (axesMoved) UpdateAnalogInputs();
}

int GamepadCount() {
    PumpGamepads();
    return int(pad.pads.size());
}

int GamepadDisconnects() {
    PumpGamepads();
    int n = pad.disconnects;
    pad.disconnects = 0;
    return n;
}

float PadInputAmount(int input) {
    if (input < 0 || input >= kPadInputCount) return 0.0f;
    PumpGamepads();
    return pad.amount[size_t(input)];
}

int PadInputDown(int input) {
    if (input < 0 || input >= kPadInputCount) return 0;
    PumpGamepads();
    return pad.down[size_t(input)] ? 1 : 0;
}

int PadInputHit(int input) {
    if (input < 0 || input >= kPadInputCount) return 0;
    PumpGamepads();
    int n = pad.hits[size_t(input)];
    pad.hits[size_t(input)] = 0;
    return n;
}

void ClearGamepadHits() { pad.hits.fill(0); }

unsigned PadPresses() {
    PumpGamepads();
    return pad.presses;
}

int LastPadInputPressed() {
    PumpGamepads();
    return pad.lastPressed;
}

void ReleaseGamepadControls() { ReleaseAll(); }

int PadRightStick(float& x, float& y) {
    PumpGamepads();
    DeadZoned(pad.axes[TSdlLibrary::kAxisRightX], pad.axes[TSdlLibrary::kAxisRightY], x, y);
    return x != 0.0f || y != 0.0f;
}

std::string PadInputName(int input) {
    return input >= 0 && input < kPadInputCount ? kPadInputNames[input] : "";
}

std::string PadInputLabel(int input) {
    std::string name = PadInputName(input);
    return name.empty() ? name : "Pad " + name.substr(3);
}

void RumbleGamepads(float strength, int ms) {
    if (!pad.sdl) return;
    uint16_t level = uint16_t(std::clamp(strength, 0.0f, 1.0f) * kRumbleRange);
    for (TController* controller : pad.pads)
        pad.sdl->GameControllerRumble(controller, level, level, uint32_t(std::max(ms, 0)));
}

void ResetGamepads() { CloseGamepads(); }

namespace {
const int stateResetRegistered = RegisterStateReset("gamepads", kResetRankPlatform + 5, &ResetGamepads);
}  // namespace
