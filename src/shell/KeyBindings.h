#pragma once
// The player's actions and the keys, mouse buttons and pad controls bound to them: today's keys by
// default, replaced action by action from the optional Keys.ini beside Options.ini. The
// player's controls and the shell read input through the actions, never by key code.
#include <array>
#include <string>
#include <vector>

// Everything a player can bind.
enum class TAction {
    Thrust,
    Reverse,
    StrafeLeft,
    StrafeRight,
    HoldHeading,
    FireGuns,
    FireRocket,
    DropTarget,
    AutoSelect,
    Rocket1,
    Rocket2,
    Rocket3,
    PreviousRocket,
    NextRocket,
    Screenshot,
    Pause,
    FullScreen,
    Mute,
    FrameRate,
};
constexpr int kActionCount = int(TAction::FrameRate) + 1;

// The keys the title screen, the pause panel and the replay viewer answer. They are not game
// actions: a key may start a game on the title and serve a game action too.
enum class TTitleKey {
    StartGame,
    UpdateOnline,
    WatchBest,      // the title: watch the best local replay
    ViewerPause,    // watching: pause or go on
    ViewerFaster,   // watching: double the speed
    ViewerSlower,   // watching: halve the speed
    ViewerBack,     // watching: back to the title
    Settings,       // the title: open the settings screen
    PausedSettings, // paused: open the settings screen
};
constexpr int kTitleKeyCount = int(TTitleKey::PausedSettings) + 1;

// Kinds of input an action can be bound to.
enum class TInputKind { Key, MouseButton, Pad };

// One key or button, with the name the player knows it by.
struct TInputBinding {
    TInputKind kind = TInputKind::Key;
    int code = 0;       // the game's key code, the mouse button 1..3, or the pad control
    std::string name;   // as shown to the player, e.g. "W", "Up", "Mouse1", "Pad A"
    bool operator==(const TInputBinding& other) const { return kind == other.kind && code == other.code; }
};

// Name of the bindings file, beside the settings file.
extern const char* const keysFileName;
// Longest Keys.ini that is read; the rest of a longer file is ignored.
constexpr int kMaxKeysFileBytes = 64 * 1024;

class KeyBindings {
public:
    // Today's keys.
    KeyBindings();

    // The action's name as Keys.ini writes it ("Thrust"); "" for a value out of range.
    static std::string ActionName(TAction action);
    // The key or button a name stands for: X keysym names in any case ("w", "Up", "space",
    // "Alt_L", "F11", "KP_1"), Mouse1..Mouse3 and the pad's controls ("PadA", "PadRT",
    // "PadLeftStickUp"). False when the name means nothing here.
    static bool ParseInput(const std::string& name, TInputBinding& out);

    // Applies the lines of a Keys.ini text: each listed action gets the keys of its line.
    // Returns one notice for each line that cannot be read (those lines change nothing), for
    // each Escape in a line (Escape always quits, so it is left out), and for each key bound
    // to more than one action (each of them acts on it).
    std::vector<std::string> Apply(const std::string& text);

    const std::vector<TInputBinding>& Inputs(TAction action) const;
    // Binds input to the action in place of the action's inputs of the same device: a key or
    // mouse button replaces its keys and mouse buttons, a pad control its pad controls.
    // Escape is never bound (false).
    bool Bind(TAction action, const TInputBinding& input);
    // The other actions the action's inputs are bound to as well, by name.
    std::vector<std::string> SharedWith(TAction action) const;
    // The action's line as Keys.ini writes it, without line end: "Thrust=w,Up,PadLeftStickUp".
    std::string FileLine(TAction action) const;
    // The key a game key code stands for, named as the player knows it; false for a code no
    // key name gives.
    static bool InputForKey(int code, TInputBinding& out);
    // The keys of an action as the player reads them, e.g. "P / Pause"; the pad's controls
    // only while a pad is connected ("P / Pause / Pad Start").
    std::string Describe(TAction action) const;

private:
    // One notice for each input bound to more than one action, naming them all.
    std::vector<std::string> SharedInputNotices() const;

    std::array<std::vector<TInputBinding>, kActionCount> inputs_;
};

// The bindings in force.
extern KeyBindings keyBindings;

// Presses of any input of the action since the action was last read. Each action (and each
// title key) counts the presses of its inputs on its own, so a key bound to two actions
// works for both; presses dropped by ClearInputHits or FlushInput are dropped here too.
int ActionWasHit(TAction action);
// Presses of a title key (Enter or Pad A to start, O for the online table) since its last read.
int TitleKeyWasHit(TTitleKey key);
// 1 while any input of the action is held.
int ActionIsDown(TAction action);
// How far the action is pressed, 0..1: 1 for a held key or button, the deflection of a stick.
float ActionAmount(TAction action);
// Where Keys.ini is: beside Options.ini, in the settings folder.
std::string KeysFilePath();
// Today's keys, then Keys.ini when there is one, each unreadable line told on standard
// output. Once at start-up.
void LoadKeyBindings();
// The text of a Keys.ini with the action's line saying what the bindings in force hold: the
// last line of that action is replaced (it is the one that counts), or a line is added at the
// end; every other byte stays.
std::string WithActionLine(const std::string& text, TAction action);
// Writes the actions' lines into Keys.ini that way, through a temporary file; 0 when it
// cannot be read whole or written.
int SaveKeyBindings(const std::vector<TAction>& actions);
// Back to today's keys, no presses counted.
void ResetKeyBindings();
