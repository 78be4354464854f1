#include "shell/KeyBindings.h"

#include <algorithm>
#include <cctype>

#include "platform/Files.h"
#include "platform/Gamepad.h"
#include "platform/Input.h"
#include "platform/StateResets.h"
#include "platform/Text.h"
#include "shell/GamePaths.h"

const char* const keysFileName = "Keys.ini";

KeyBindings keyBindings;

namespace {

// Most keys one action takes; a longer list is not read.
constexpr size_t kMaxInputsPerAction = 8;
// Longest piece of a bad line a notice quotes.
constexpr size_t kMaxQuotedChars = 60;
// X keysym of the first function-page key and of F1.
constexpr unsigned long kKeysymF1 = 0xffbe;
constexpr int kFunctionKeyCount = 24;

const char* const kActionNames[kActionCount] = {
    "Thrust",     "Reverse",        "StrafeLeft", "StrafeRight", "HoldHeading", "FireGuns",
    "FireRocket", "DropTarget",     "AutoSelect", "Rocket1",     "Rocket2",     "Rocket3",
    "PreviousRocket", "NextRocket", "Screenshot", "Pause",       "FullScreen",  "Mute",
    "FrameRate",
};

// Today's keys and the pad's standard layout, in the names Keys.ini uses.
const char* const kDefaultInputs[kActionCount] = {
    "w,Up,PadLeftStickUp", "Down,s,PadLeftStickDown", "a,PadLeftStickLeft", "d,PadLeftStickRight",
    "space,PadB", "Mouse1,PadRT", "Mouse2,PadLT", "n,Mouse3,PadX", "r,PadY", "1", "2", "3", "PadLB", "PadRB",
    "Alt_L", "p,Pause,PadStart", "F11", "m", "F3",
};

struct TNamedKeysym {
    const char* name;
    unsigned long keysym;
};

// X keysym names the game knows beyond single characters and F1..F24. The keypad's digits
// and point name the keys as the game receives them: the first keysym of a keypad key is
// its cursor meaning (KP_End for the 1), whatever NumLock says.
constexpr TNamedKeysym kKeysyms[] = {
    {"space", 0x20}, {"exclam", 0x21}, {"quotedbl", 0x22}, {"numbersign", 0x23},
    {"dollar", 0x24}, {"percent", 0x25}, {"ampersand", 0x26}, {"apostrophe", 0x27},
    {"parenleft", 0x28}, {"parenright", 0x29}, {"asterisk", 0x2a}, {"plus", 0x2b},
    {"comma", 0x2c}, {"minus", 0x2d}, {"period", 0x2e}, {"slash", 0x2f}, {"colon", 0x3a},
    {"semicolon", 0x3b}, {"less", 0x3c}, {"equal", 0x3d}, {"greater", 0x3e},
    {"question", 0x3f}, {"at", 0x40}, {"bracketleft", 0x5b}, {"backslash", 0x5c},
    {"bracketright", 0x5d}, {"asciicircum", 0x5e}, {"underscore", 0x5f}, {"grave", 0x60},
    {"braceleft", 0x7b}, {"bar", 0x7c}, {"braceright", 0x7d}, {"asciitilde", 0x7e},
    {"BackSpace", 0xff08}, {"Tab", 0xff09}, {"Return", 0xff0d}, {"Pause", 0xff13},
    {"Scroll_Lock", 0xff14}, {"Escape", 0xff1b}, {"Home", 0xff50}, {"Left", 0xff51},
    {"Up", 0xff52}, {"Right", 0xff53}, {"Down", 0xff54}, {"Prior", 0xff55},
    {"Page_Up", 0xff55}, {"Next", 0xff56}, {"Page_Down", 0xff56}, {"End", 0xff57},
    {"Begin", 0xff58}, {"Print", 0xff61}, {"Insert", 0xff63}, {"Menu", 0xff67},
    {"Num_Lock", 0xff7f}, {"KP_Enter", 0xff8d}, {"KP_Home", 0xff95}, {"KP_7", 0xff95},
    {"KP_Left", 0xff96}, {"KP_4", 0xff96}, {"KP_Up", 0xff97}, {"KP_8", 0xff97},
    {"KP_Right", 0xff98}, {"KP_6", 0xff98}, {"KP_Down", 0xff99}, {"KP_2", 0xff99},
    {"KP_Prior", 0xff9a}, {"KP_Page_Up", 0xff9a}, {"KP_9", 0xff9a}, {"KP_Next", 0xff9b},
    {"KP_Page_Down", 0xff9b}, {"KP_3", 0xff9b}, {"KP_End", 0xff9c}, {"KP_1", 0xff9c},
    {"KP_Begin", 0xff9d}, {"KP_5", 0xff9d}, {"KP_Insert", 0xff9e}, {"KP_0", 0xff9e},
    {"KP_Delete", 0xff9f}, {"KP_Decimal", 0xff9f}, {"KP_Multiply", 0xffaa},
    {"KP_Add", 0xffab}, {"KP_Separator", 0xffac}, {"KP_Subtract", 0xffad},
    {"KP_Divide", 0xffaf}, {"KP_Equal", 0xffbd}, {"Shift_L", 0xffe1}, {"Shift_R", 0xffe2},
    {"Control_L", 0xffe3}, {"Control_R", 0xffe4}, {"Caps_Lock", 0xffe5},
    {"Meta_L", 0xffe7}, {"Meta_R", 0xffe8}, {"Alt_L", 0xffe9}, {"Alt_R", 0xffea},
    {"Super_L", 0xffeb}, {"Super_R", 0xffec}, {"Delete", 0xffff}, {"ISO_Level3_Shift", 0xfe03},
};

// One kind of input name: fills out and returns true when the lower-case name is its own.
using TInputParser = bool (*)(const std::string& lower, TInputBinding& out);

bool ParseMouseButton(const std::string& lower, TInputBinding& out) {
    if (lower.size() != 6 || lower.compare(0, 5, "mouse") != 0) return false;
    int button = lower[5] - '0';
    if (button < kMouseLeft || button > kMouseMiddle) return false;
    out = {TInputKind::MouseButton, button, "Mouse" + std::string(1, lower[5])};
    return true;
}

bool KeyFromKeysym(unsigned long keysym, const std::string& name, TInputBinding& out) {
    int code = KeyCodeForKeysym(keysym);
    if (code <= 0) return false;
    out = {TInputKind::Key, code, name};
    return true;
}

bool ParseKeyName(const std::string& lower, TInputBinding& out) {
    // A printable character names itself; letters are shown in capitals.
    if (lower.size() == 1 && lower[0] > ' ' && lower[0] < 0x7f) {
        unsigned char c = static_cast<unsigned char>(lower[0]);
        return KeyFromKeysym(c, std::string(1, char(std::toupper(c))), out);
    }
    if (lower.size() >= 2 && lower.size() <= 3 && lower[0] == 'f' &&
        std::all_of(lower.begin() + 1, lower.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        int n = std::stoi(lower.substr(1));
        if (n >= 1 && n <= kFunctionKeyCount && lower[1] != '0')
            return KeyFromKeysym(kKeysymF1 + unsigned(n - 1), "F" + std::to_string(n), out);
        return false;
    }
    for (const TNamedKeysym& k : kKeysyms)
        if (LowerText(k.name) == lower) return KeyFromKeysym(k.keysym, k.name, out);
    return false;
}

bool ParsePadName(const std::string& lower, TInputBinding& out) {
    if (lower.compare(0, 3, "pad") != 0) return false;
    for (int i = 0; i < kPadInputCount; ++i) {
        if (LowerText(PadInputName(i)) == lower) {
            out = {TInputKind::Pad, i, PadInputLabel(i)};
            return true;
        }
    }
    return false;
}

// Tried in this order; a further kind of device adds its parser here.
constexpr TInputParser kInputParsers[] = {&ParseMouseButton, &ParsePadName, &ParseKeyName};

// Splits at commas, each piece without surrounding spaces.
std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        parts.push_back(TrimText(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}

// A bad line as a notice quotes it: control bytes shown as '?', long lines cut.
std::string Quoted(const std::string& line) {
    std::string shown = line.substr(0, kMaxQuotedChars);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < ' ' || c == 0x7f) c = '?';
    if (line.size() > kMaxQuotedChars) shown += "...";
    return "\"" + shown + "\"";
}

// The action of a name in any case; false for none.
bool FindAction(const std::string& name, TAction& out) {
    std::string lower = LowerText(name);
    for (int i = 0; i < kActionCount; ++i) {
        if (LowerText(kActionNames[i]) == lower) {
            out = TAction(i);
            return true;
        }
    }
    return false;
}

// The inputs of a comma list; false when any of them cannot be read or there are too many.
bool ParseInputList(const std::string& list, std::vector<TInputBinding>& out) {
    out.clear();
    for (const std::string& name : SplitList(list)) {
        TInputBinding input;
        if (!KeyBindings::ParseInput(name, input)) return false;
        if (std::find(out.begin(), out.end(), input) == out.end()) out.push_back(input);
        if (out.size() > kMaxInputsPerAction) return false;
    }
    return !out.empty();
}

}  // namespace

KeyBindings::KeyBindings() {
    for (int i = 0; i < kActionCount; ++i) ParseInputList(kDefaultInputs[i], inputs_[i]);
}

std::string KeyBindings::ActionName(TAction action) {
    int i = int(action);
    return i >= 0 && i < kActionCount ? kActionNames[i] : "";
}

bool KeyBindings::ParseInput(const std::string& name, TInputBinding& out) {
    std::string lower = LowerText(TrimText(name));
    if (lower.empty()) return false;
    for (TInputParser parse : kInputParsers)
        if (parse(lower, out)) return true;
    return false;
}

std::vector<std::string> KeyBindings::Apply(const std::string& text) {
    std::vector<std::string> notices;
    size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        std::string trimmed = TrimText(line);
        if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
        size_t equals = trimmed.find('=');
        TAction action{};
        std::vector<TInputBinding> inputs;
        const std::string where = std::string(keysFileName) + " line " + std::to_string(number);
        if (equals == std::string::npos || !FindAction(TrimText(trimmed.substr(0, equals)), action) ||
            !ParseInputList(trimmed.substr(equals + 1), inputs)) {
            notices.push_back(where + " cannot be read and is ignored: " + Quoted(line));
            continue;
        }
        // Escape always quits, whatever the file says.
        if (std::erase(inputs, TInputBinding{TInputKind::Key, kKeyEscape, ""}) > 0)
            notices.push_back(where + ": Escape cannot be bound; it always quits");
        if (!inputs.empty()) inputs_[int(action)] = std::move(inputs);
    }
    for (const std::string& notice : SharedInputNotices()) notices.push_back(notice);
    return notices;
}

std::vector<std::string> KeyBindings::SharedInputNotices() const {
    std::vector<std::string> notices;
    std::vector<TInputBinding> told;
    for (int a = 0; a < kActionCount; ++a) {
        for (const TInputBinding& input : inputs_[a]) {
            if (std::find(told.begin(), told.end(), input) != told.end()) continue;
            std::vector<std::string> actions{kActionNames[a]};
            for (int b = a + 1; b < kActionCount; ++b)
                if (std::find(inputs_[b].begin(), inputs_[b].end(), input) != inputs_[b].end())
                    actions.push_back(kActionNames[b]);
            if (actions.size() < 2) continue;
            told.push_back(input);
            std::string names = actions[0];
            for (size_t i = 1; i < actions.size(); ++i) names += (i + 1 < actions.size() ? ", " : " and ") + actions[i];
            notices.push_back(std::string(keysFileName) + ": " + input.name + " is bound to " + names +
                              "; each of them acts on it");
        }
    }
    return notices;
}

const std::vector<TInputBinding>& KeyBindings::Inputs(TAction action) const {
    return inputs_[std::clamp(int(action), 0, kActionCount - 1)];
}

namespace {
bool IsPad(const TInputBinding& input) { return input.kind == TInputKind::Pad; }

// An input's name as Keys.ini writes it; single characters in lower case, as typed.
std::string FileName(const TInputBinding& input) {
    if (IsPad(input)) return PadInputName(input.code);
    return input.name.size() == 1 ? LowerText(input.name) : input.name;
}
}  // namespace

bool KeyBindings::Bind(TAction action, const TInputBinding& input) {
    if (input.kind == TInputKind::Key && input.code == kKeyEscape) return false;
    std::vector<TInputBinding>& inputs = inputs_[std::clamp(int(action), 0, kActionCount - 1)];
    std::erase_if(inputs, [&](const TInputBinding& old) { return IsPad(old) == IsPad(input); });
    inputs.push_back(input);
    // Keys and mouse buttons first, then the pad's controls, as the defaults list them.
    std::stable_partition(inputs.begin(), inputs.end(), [](const TInputBinding& i) { return !IsPad(i); });
    return true;
}

std::vector<std::string> KeyBindings::SharedWith(TAction action) const {
    std::vector<std::string> names;
    for (int other = 0; other < kActionCount; ++other) {
        if (other == int(action)) continue;
        for (const TInputBinding& input : Inputs(action)) {
            if (std::find(inputs_[other].begin(), inputs_[other].end(), input) != inputs_[other].end()) {
                names.push_back(kActionNames[other]);
                break;
            }
        }
    }
    return names;
}

std::string KeyBindings::FileLine(TAction action) const {
    std::string line = ActionName(action) + "=";
    bool first = true;
    for (const TInputBinding& input : Inputs(action)) {
        line += (first ? "" : ",") + FileName(input);
        first = false;
    }
    return line;
}

bool KeyBindings::InputForKey(int code, TInputBinding& out) {
    for (const TNamedKeysym& k : kKeysyms)
        if (KeyFromKeysym(k.keysym, k.name, out) && out.code == code) return true;
    for (char c = '!'; c <= '~'; ++c)
        if (!(c >= 'A' && c <= 'Z') && ParseKeyName(std::string(1, c), out) && out.code == code) return true;
    for (int n = 1; n <= kFunctionKeyCount; ++n)
        if (ParseKeyName("f" + std::to_string(n), out) && out.code == code) return true;
    return false;
}

std::string KeyBindings::Describe(TAction action) const {
    const bool padShown = GamepadCount() > 0;
    std::string text;
    for (const TInputBinding& input : Inputs(action))
        if (input.kind != TInputKind::Pad || padShown) text += (text.empty() ? "" : " / ") + input.name;
    return text;
}

namespace {

// The title keys' inputs, in the order of TTitleKey.
const std::vector<TInputBinding> kTitleKeyInputs[kTitleKeyCount] = {
    {{TInputKind::Key, kKeyReturn, "Enter"}, {TInputKind::Pad, kPadA, "Pad A"}},
    {{TInputKind::Key, kKeyO, "O"}, {TInputKind::Pad, kPadY, "Pad Y"}},
    {{TInputKind::Key, kKeyV, "V"}, {TInputKind::Pad, kPadX, "Pad X"}},
    {{TInputKind::Key, kKeySpace, "Space"}, {TInputKind::Pad, kPadA, "Pad A"}},
    {{TInputKind::Key, kKeyRight, "Right"}, {TInputKind::Pad, kPadRB, "Pad RB"}},
    {{TInputKind::Key, kKeyLeft, "Left"}, {TInputKind::Pad, kPadLB, "Pad LB"}},
    {{TInputKind::Key, kKeyBackspace, "Backspace"}, {TInputKind::Pad, kPadB, "Pad B"}},
    {{TInputKind::Key, kKeyF2, "F2"}, {TInputKind::Key, kKeyS, "S"}},
    {{TInputKind::Key, kKeyF2, "F2"}},
};

// Presses counted for each action and title key, not yet read.
struct THitCounts {
    std::array<int, kActionCount> actions{};
    std::array<int, kTitleKeyCount> titleKeys{};
    // The input layer's counters when the presses were last taken.
    unsigned dropsSeen = 0, keyPressesSeen = 0, padPressesSeen = 0;
};

THitCounts hitCounts;

bool Serves(const std::vector<TInputBinding>& inputs, const TInputBinding& input) {
    return std::find(inputs.begin(), inputs.end(), input) != inputs.end();
}

int TakeInputHits(const TInputBinding& input) {
    switch (input.kind) {
        case TInputKind::Key: return KeyWasHit(input.code);
        case TInputKind::MouseButton: return MouseButtonHit(input.code);
        case TInputKind::Pad: return PadInputHit(input.code);
    }
    return 0;
}

// Takes the presses of every bound input once and counts each for every action and title key
// it serves, so that one reader's read does not take the press from another.
void CountNewHits() {
    const unsigned keyPresses = KeyAndButtonPresses(), padPresses = PadPresses();
    if (InputHitsDropped() != hitCounts.dropsSeen) {
        hitCounts = THitCounts{};
        hitCounts.dropsSeen = InputHitsDropped();
    } else if (keyPresses == hitCounts.keyPressesSeen && padPresses == hitCounts.padPressesSeen) {
        return;  // nothing pressed since the last look
    }
    hitCounts.keyPressesSeen = keyPresses;
    hitCounts.padPressesSeen = padPresses;
    std::vector<TInputBinding> taken;
    auto take = [&](const TInputBinding& input) {
        if (Serves(taken, input)) return;
        taken.push_back(input);
        int hits = TakeInputHits(input);
        if (!hits) return;
        for (int a = 0; a < kActionCount; ++a)
            if (Serves(keyBindings.Inputs(TAction(a)), input)) hitCounts.actions[size_t(a)] += hits;
        for (int t = 0; t < kTitleKeyCount; ++t)
            if (Serves(kTitleKeyInputs[t], input)) hitCounts.titleKeys[size_t(t)] += hits;
    };
    for (int a = 0; a < kActionCount; ++a)
        for (const TInputBinding& input : keyBindings.Inputs(TAction(a))) take(input);
    for (const std::vector<TInputBinding>& inputs : kTitleKeyInputs)
        for (const TInputBinding& input : inputs) take(input);
}

int TakeCount(int& count) {
    int n = count;
    count = 0;
    return n;
}

}  // namespace

int ActionWasHit(TAction action) {
    CountNewHits();
    return TakeCount(hitCounts.actions[size_t(std::clamp(int(action), 0, kActionCount - 1))]);
}

int TitleKeyWasHit(TTitleKey key) {
    CountNewHits();
    return TakeCount(hitCounts.titleKeys[size_t(std::clamp(int(key), 0, kTitleKeyCount - 1))]);
}

namespace {
float InputAmount(const TInputBinding& input) {
    switch (input.kind) {
        case TInputKind::Key: return float(KeyIsDown(input.code));
        case TInputKind::MouseButton: return float(MouseButtonDown(input.code));
        case TInputKind::Pad: return PadInputAmount(input.code);
    }
    return 0.0f;
}
}  // namespace

int ActionIsDown(TAction action) { return ActionAmount(action) > 0.0f ? 1 : 0; }

float ActionAmount(TAction action) {
    float amount = 0.0f;
    for (const TInputBinding& input : keyBindings.Inputs(action)) amount = std::max(amount, InputAmount(input));
    return amount;
}

std::string KeysFilePath() { return GamePaths::SettingsFolder() + keysFileName; }

void LoadKeyBindings() {
    keyBindings = KeyBindings();
    std::shared_ptr<TStream> file = OpenReadStream(KeysFilePath());
    if (!file) return;
    std::string text;
    if (!StreamReadAll(file, text, kMaxKeysFileBytes))
        ShowNotice(std::string(keysFileName) + " is longer than " + std::to_string(kMaxKeysFileBytes) +
                       " bytes; only its start is read", 0);
    StreamClose(file);
    for (const std::string& notice : keyBindings.Apply(text)) ShowNotice(notice, 0);
}

std::string WithActionLine(const std::string& text, TAction action) {
    const std::string wanted = LowerText(KeyBindings::ActionName(action));
    const std::string line = keyBindings.FileLine(action);
    // The last line naming the action, from its name to the end of its content.
    size_t from = std::string::npos, to = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        size_t lineEnd = end == std::string::npos ? text.size() : end;
        size_t contentEnd = lineEnd > start && text[lineEnd - 1] == '\r' ? lineEnd - 1 : lineEnd;
        size_t contentStart = start;
        if (start == 0 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) contentStart = 3;
        std::string content = text.substr(contentStart, contentEnd - contentStart);
        size_t equals = content.find('=');
        if (equals != std::string::npos && LowerText(TrimText(content.substr(0, equals))) == wanted) {
            from = contentStart;
            to = contentEnd;
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (from != std::string::npos) return text.substr(0, from) + line + text.substr(to);
    // A new line ends as the file's lines do.
    const std::string lineEnd = text.empty() || text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::string out = text;
    if (!out.empty() && out.back() != '\n') out += lineEnd;
    return out + line + lineEnd;
}

int SaveKeyBindings(const std::vector<TAction>& actions) {
    std::string text;
    if (std::shared_ptr<TStream> file = OpenReadStream(KeysFilePath())) {
        bool whole = StreamReadAll(file, text, kMaxKeysFileBytes);
        StreamClose(file);
        if (!whole) return 0;  // never cut a file down to what was read of it
    }
    for (TAction action : actions) text = WithActionLine(text, action);
    return GamePaths::MakeFolder(GamePaths::SettingsFolder()) && WriteFileAtomically(KeysFilePath(), text);
}

void ResetKeyBindings() {
    keyBindings = KeyBindings();
    hitCounts = THitCounts{};
}

namespace {
const int stateResetRegistered = RegisterStateReset("key bindings", kResetRankShell + 6, &ResetKeyBindings);
}  // namespace
