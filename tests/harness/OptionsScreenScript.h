#pragma once
// Plays the player's part on the options screen headless: before each pass of the screen
// the next scripted step (a click, a key, a typed character) is applied as the window
// would deliver it, then the real pass runs. Start the screen through LoadOptions or
// RunOptionsScreen while the script is alive.
#include <functional>
#include <string>
#include <vector>

#include "platform/Input.h"
#include "shell/Options.h"
#include "shell/TINPT_FIELD.h"

class OptionsScreenScript {
public:
    OptionsScreenScript() {
        optionsScreenPass = [this] { return Pass(); };
    }
    ~OptionsScreenScript() { optionsScreenPass = &RunOptionsScreenPass; }

    // A left click at a window position.
    OptionsScreenScript& Click(int x, int y) {
        steps.push_back([x, y] {
            ApplyPointerMoved(x, y);
            ApplyMouseDown(kMouseLeft);
            ApplyMouseUp(kMouseLeft);
        });
        return *this;
    }
    // A key pressed and released, with the character X types for it (0: none).
    OptionsScreenScript& Key(int code, int typed = 0) {
        steps.push_back([code, typed] {
            ApplyKeyDown(code);
            if (typed) ApplyTypedChar(typed);
            ApplyKeyUp(code);
        });
        return *this;
    }
    OptionsScreenScript& Enter() { return Key(kKeyReturn, '\r'); }
    OptionsScreenScript& Escape() { return Key(kKeyEscape, 27); }
    // One typed character per pass.
    OptionsScreenScript& Type(const std::string& text) {
        for (unsigned char c : text) steps.push_back([c] { ApplyTypedChar(c); });
        return *this;
    }
    // Clicks into field i of the screen, erases its text with backspaces, types the new
    // text and ends the editing with Enter.
    OptionsScreenScript& Replace(int i, const std::string& text, int erase = 10) {
        steps.push_back([i] {
            const auto& field = OptionsFields()[size_t(i)];
            ApplyPointerMoved(field->x + field->width / 2, field->y + field->height / 2);
            ApplyMouseDown(kMouseLeft);
            ApplyMouseUp(kMouseLeft);
        });
        for (int n = 0; n < erase; ++n) Key(kKeyBackspace, '\b');
        return Type(text).Enter();
    }
    // A check run before a pass, with nothing applied.
    OptionsScreenScript& Then(std::function<void()> check) {
        steps.push_back(std::move(check));
        return *this;
    }

    // Passes the screen ran.
    int passes = 0;

private:
    int Pass() {
        if (size_t(passes) < steps.size()) steps[size_t(passes)]();
        // A script that never confirms ends with Escape instead of hanging the test.
        if (size_t(passes) >= steps.size() + kSparePasses) ApplyKeyDown(kKeyEscape);
        ++passes;
        return RunOptionsScreenPass();
    }

    // Passes run after the last step before the script gives up.
    static constexpr size_t kSparePasses = 100;
    std::vector<std::function<void()>> steps;
};
