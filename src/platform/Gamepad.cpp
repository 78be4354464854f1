// Game controllers through SDL's game-controller layer.
#include "platform/Gamepad.h"

#include <SDL2/SDL.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "platform/Input.h"
#include "platform/StateResets.h"

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

struct PadState {
    bool sdlStarted = false;
    std::vector<SDL_GameController*> pads;
    // Raw axes of SDL's standard layout, -1..1 (triggers 0..1).
    std::array<float, SDL_CONTROLLER_AXIS_MAX> axes{};
    std::array<float, kPadInputCount> amount{};
    std::array<bool, kPadInputCount> down{};
    std::array<int, kPadInputCount> hits{};
    int disconnects = 0;
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
    } else if (isDown && amount < kPadReleaseAmount) {
        isDown = false;
    }
}

// The analog controls anew from the raw axes.
void UpdateAnalogInputs() {
    SetAmount(kPadLT, TriggerAmount(pad.axes[SDL_CONTROLLER_AXIS_TRIGGERLEFT]));
    SetAmount(kPadRT, TriggerAmount(pad.axes[SDL_CONTROLLER_AXIS_TRIGGERRIGHT]));
    float x, y;
    DeadZoned(pad.axes[SDL_CONTROLLER_AXIS_LEFTX], pad.axes[SDL_CONTROLLER_AXIS_LEFTY], x, y);
    SetAmount(kPadLeftStickUp, std::max(0.0f, -y));
    SetAmount(kPadLeftStickDown, std::max(0.0f, y));
    SetAmount(kPadLeftStickLeft, std::max(0.0f, -x));
    SetAmount(kPadLeftStickRight, std::max(0.0f, x));
    DeadZoned(pad.axes[SDL_CONTROLLER_AXIS_RIGHTX], pad.axes[SDL_CONTROLLER_AXIS_RIGHTY], x, y);
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

void OpenPad(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return;
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (SDL_GameController* open : pad.pads)
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(open)) == id) return;
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (!controller) {
        DebugNote(std::string("game controller could not be opened: ") + SDL_GetError());
        return;
    }
    pad.pads.push_back(controller);
    const char* name = SDL_GameControllerName(controller);
    DebugNote(std::string("game controller connected: ") + (name ? name : "(no name)"));
}

void ClosePad(SDL_JoystickID id) {
    for (auto it = pad.pads.begin(); it != pad.pads.end(); ++it) {
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(*it)) != id) continue;
        SDL_GameControllerClose(*it);
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
    int added = SDL_GameControllerAddMappingsFromFile(path.c_str());
    if (added < 0) ShowNotice(shown + " cannot be read: " + SDL_GetError(), 0);
    else if (added == 0 && info.st_size > 0) ShowNotice(shown + " holds no mapping SDL can use", 0);
}

}  // namespace

int OpenGamepads(const std::string& mappingsPath) {
    if (pad.sdlStarted) return 1;
    // SDL cannot see whether the game's own window has the focus; pads are read regardless.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // Ctrl+C and the like stay the game's, not events SDL would queue.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        DebugNote(std::string("no game controllers: ") + SDL_GetError());
        return 0;
    }
    pad.sdlStarted = true;
    AddMappings(mappingsPath);
    for (int i = 0; i < SDL_NumJoysticks(); ++i) OpenPad(i);
    return 1;
}

void CloseGamepads() {
    if (!pad.sdlStarted) return;
    for (SDL_GameController* controller : pad.pads) SDL_GameControllerClose(controller);
    pad = PadState{};
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void PumpGamepads() {
    if (!pad.sdlStarted) return;
    SDL_Event event;
    bool axesMoved = false;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_CONTROLLERDEVICEADDED: OpenPad(event.cdevice.which); break;
            case SDL_CONTROLLERDEVICEREMOVED: ClosePad(event.cdevice.which); break;
            case SDL_CONTROLLERBUTTONDOWN:
            case SDL_CONTROLLERBUTTONUP:
                if (event.cbutton.button < SDL_CONTROLLER_BUTTON_MISC1)
                    SetAmount(event.cbutton.button, event.cbutton.state == SDL_PRESSED ? 1.0f : 0.0f);
                break;
            case SDL_CONTROLLERAXISMOTION:
                if (event.caxis.axis < SDL_CONTROLLER_AXIS_MAX) {
                    pad.axes[event.caxis.axis] = std::max(-1.0f, float(event.caxis.value) / kAxisRange);
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

int PadRightStick(float& x, float& y) {
    PumpGamepads();
    DeadZoned(pad.axes[SDL_CONTROLLER_AXIS_RIGHTX], pad.axes[SDL_CONTROLLER_AXIS_RIGHTY], x, y);
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
    Uint16 level = Uint16(std::clamp(strength, 0.0f, 1.0f) * kRumbleRange);
    for (SDL_GameController* controller : pad.pads)
        SDL_GameControllerRumble(controller, level, level, Uint32(std::max(ms, 0)));
}

void ResetGamepads() { CloseGamepads(); }

namespace {
const int stateResetRegistered = RegisterStateReset("gamepads", kResetRankPlatform + 5, &ResetGamepads);
}  // namespace
