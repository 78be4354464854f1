#pragma once
// A game controller plugged in through SDL's virtual joysticks, typed as a game controller
// so SDL reads it in its standard layout. The game must have started (SDL's controller
// subsystem open) before one is made. Rumble requests are recorded.
#include <SDL2/SDL.h>

#include <vector>

class VirtualPad {
public:
    struct Rumble {
        Uint16 low, high;
    };

    VirtualPad() {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "Test Pad";
        desc.userdata = this;
        desc.Rumble = &VirtualPad::OnRumble;
        int index = SDL_JoystickAttachVirtualEx(&desc);
        if (index >= 0) joystick = SDL_JoystickOpen(index);
        // Triggers rest fully released.
        Axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, -1.0f);
        Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -1.0f);
    }
    ~VirtualPad() { Unplug(); }
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    bool Plugged() const { return joystick != nullptr; }
    // An axis -1..1 as the raw joystick reports it (a trigger's -1 is released, 1 pulled).
    void Axis(SDL_GameControllerAxis axis, float value) {
        if (joystick) SDL_JoystickSetVirtualAxis(joystick, axis, Sint16(value * 32767.0f - (value < 0 ? 1.0f : 0.0f)));
    }
    void Button(SDL_GameControllerButton button, bool down) {
        if (joystick) SDL_JoystickSetVirtualButton(joystick, button, down ? 1 : 0);
    }
    void Unplug() {
        if (!joystick) return;
        SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
        SDL_JoystickClose(joystick);
        joystick = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }

    std::vector<Rumble> rumbles;

private:
    static int SDLCALL OnRumble(void* self, Uint16 low, Uint16 high) {
        static_cast<VirtualPad*>(self)->rumbles.push_back({low, high});
        return 0;
    }
    SDL_Joystick* joystick = nullptr;
};
