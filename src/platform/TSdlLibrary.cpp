// SDL2's game-controller functions, found at run time in the shared library.
#include "platform/TSdlLibrary.h"

#include <dlfcn.h>

namespace {

// SDL2's shared library: its name is fixed for every 2.x release.
const char* const kSdlLibraryName = "libSDL2-2.0.so.0";

std::string loadError;

template <typename F>
bool Find(void* handle, F& function, const char* name) {
    function = reinterpret_cast<F>(dlsym(handle, name));
    if (!function) loadError = std::string(kSdlLibraryName) + " lacks " + name;
    return function != nullptr;
}

TSdlLibrary* LoadLibrary() {
    // The library stays loaded for the rest of the program, as SDL expects.
    void* handle = dlopen(kSdlLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        loadError = why ? why : std::string(kSdlLibraryName) + " not found";
        return nullptr;
    }
    static TSdlLibrary sdl;
    TSdlLibrary& s = sdl;
    bool ok = Find(handle, s.SetHint, "SDL_SetHint") && Find(handle, s.InitSubSystem, "SDL_InitSubSystem") &&
              Find(handle, s.QuitSubSystem, "SDL_QuitSubSystem") && Find(handle, s.GetError, "SDL_GetError") &&
              Find(handle, s.PollEvent, "SDL_PollEvent") && Find(handle, s.NumJoysticks, "SDL_NumJoysticks") &&
              Find(handle, s.IsGameController, "SDL_IsGameController") &&
              Find(handle, s.JoystickGetDeviceInstanceID, "SDL_JoystickGetDeviceInstanceID") &&
              Find(handle, s.JoystickInstanceID, "SDL_JoystickInstanceID") &&
              Find(handle, s.GameControllerOpen, "SDL_GameControllerOpen") &&
              Find(handle, s.GameControllerClose, "SDL_GameControllerClose") &&
              Find(handle, s.GameControllerGetJoystick, "SDL_GameControllerGetJoystick") &&
              Find(handle, s.GameControllerName, "SDL_GameControllerName") &&
              Find(handle, s.GameControllerRumble, "SDL_GameControllerRumble") &&
              Find(handle, s.RWFromFile, "SDL_RWFromFile") &&
              Find(handle, s.GameControllerAddMappingsFromRW, "SDL_GameControllerAddMappingsFromRW") &&
              Find(handle, s.JoystickNameForIndex, "SDL_JoystickNameForIndex") &&
              Find(handle, s.JoystickGetDeviceGUID, "SDL_JoystickGetDeviceGUID");
    return ok ? &sdl : nullptr;
}

}  // namespace

const TSdlLibrary* TSdlLibrary::Load() {
    // Looked for once: a library missing at start-up does not appear later.
    static const TSdlLibrary* loaded = LoadLibrary();
    return loaded;
}

const std::string& TSdlLibrary::LoadError() { return loadError; }
