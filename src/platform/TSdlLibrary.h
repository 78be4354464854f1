#pragma once
// SDL2's game-controller functions, found at run time in the shared library (libSDL2-2.0.so.0),
// so that building the game needs no SDL headers and a machine without SDL still plays with
// keyboard and mouse. Only the handful of calls the pad code makes are declared here, in
// SDL2's stable binary interface (its types, constants and event layouts).
#include <cstdint>
#include <string>

class TSdlLibrary {
public:
    // SDL's subsystem flag for game controllers (it brings the joystick and event subsystems).
    static constexpr uint32_t kInitGameController = 0x00002000u;
    // A joystick plugged in, whether or not SDL knows it as a game controller.
    static constexpr uint32_t kJoyDeviceAdded = 0x605;
    // Event types of SDL's controller events.
    static constexpr uint32_t kControllerAxisMotion = 0x650;
    static constexpr uint32_t kControllerButtonDown = 0x651;
    static constexpr uint32_t kControllerButtonUp = 0x652;
    static constexpr uint32_t kControllerDeviceAdded = 0x653;
    static constexpr uint32_t kControllerDeviceRemoved = 0x654;
    // SDL's standard layout: its axes (left x, left y, right x, right y, left and right
    // trigger) and the buttons the game reads (A .. D-pad right, in TPadInput's order).
    static constexpr int kAxisCount = 6;
    static constexpr int kAxisLeftX = 0, kAxisLeftY = 1, kAxisRightX = 2, kAxisRightY = 3;
    static constexpr int kAxisTriggerLeft = 4, kAxisTriggerRight = 5;
    static constexpr int kButtonCount = 15;

    // An SDL_Event: 56 bytes, its type first. The controller events share their head.
    union Event {
        uint32_t type;
        struct {
            uint32_t type, timestamp;
            int32_t which;
        } device;
        struct {
            uint32_t type, timestamp;
            int32_t which;
            uint8_t button, state, padding1, padding2;
        } button;
        struct {
            uint32_t type, timestamp;
            int32_t which;
            uint8_t axis, padding1, padding2, padding3;
            int16_t value;
            uint16_t padding4;
        } axis;
        uint8_t padding[56];
    };
    struct Controller;  // SDL_GameController
    struct Joystick;    // SDL_Joystick
    struct RWops;       // SDL_RWops
    // SDL_JoystickGUID: the bytes that identify a joystick's make and model.
    struct Guid {
        uint8_t data[16];
    };

    // The library's functions, or null when it could not be loaded.
    static const TSdlLibrary* Load();
    // Why the last Load() found no library.
    static const std::string& LoadError();

    int (*SetHint)(const char* name, const char* value) = nullptr;
    int (*InitSubSystem)(uint32_t flags) = nullptr;
    void (*QuitSubSystem)(uint32_t flags) = nullptr;
    const char* (*GetError)() = nullptr;
    int (*PollEvent)(Event* event) = nullptr;
    int (*NumJoysticks)() = nullptr;
    int (*IsGameController)(int deviceIndex) = nullptr;
    int32_t (*JoystickGetDeviceInstanceID)(int deviceIndex) = nullptr;
    int32_t (*JoystickInstanceID)(Joystick* joystick) = nullptr;
    Controller* (*GameControllerOpen)(int deviceIndex) = nullptr;
    void (*GameControllerClose)(Controller* controller) = nullptr;
    Joystick* (*GameControllerGetJoystick)(Controller* controller) = nullptr;
    const char* (*GameControllerName)(Controller* controller) = nullptr;
    int (*GameControllerRumble)(Controller* controller, uint16_t low, uint16_t high, uint32_t ms) = nullptr;
    RWops* (*RWFromFile)(const char* file, const char* mode) = nullptr;
    int (*GameControllerAddMappingsFromRW)(RWops* rw, int freeRw) = nullptr;
    const char* (*JoystickNameForIndex)(int deviceIndex) = nullptr;
    Guid (*JoystickGetDeviceGUID)(int deviceIndex) = nullptr;
};

static_assert(sizeof(TSdlLibrary::Event) == 56, "SDL_Event is 56 bytes");
