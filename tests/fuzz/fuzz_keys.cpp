// Fuzzer for Keys.ini: the input is applied to today's keys. Every line gives either a
// change or exactly one notice naming it; every action keeps at least one input, each a
// key code 1..255, a mouse button 1..3 or a pad control; and applying the same text again
// changes nothing.
// The same input also goes through the "GFX Full" rewrite of Options.ini, whose result
// must read back as the choice and keep every other line.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Gamepad.h"
#include "shell/KeyBindings.h"
#include "shell/Options.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

std::string Bindings(const KeyBindings& keys) {
    std::string all;
    for (int i = 0; i < kActionCount; ++i) all += keys.Describe(TAction(i)) + "\n";
    return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(kMaxKeysFileBytes)) return 0;
    std::string text(reinterpret_cast<const char*>(data), size);

    KeyBindings keys;
    std::vector<std::string> notices = keys.Apply(text);
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    Check(notices.size() <= lines + 1);
    for (const std::string& notice : notices) Check(notice.size() < 200 && notice.find('\n') == std::string::npos);
    for (int i = 0; i < kActionCount; ++i) {
        const auto& inputs = keys.Inputs(TAction(i));
        Check(!inputs.empty());
        for (const TInputBinding& input : inputs) {
            if (input.kind == TInputKind::Key) Check(input.code >= 1 && input.code <= 255);
            else if (input.kind == TInputKind::Pad) Check(input.code >= 0 && input.code < kPadInputCount);
            else Check(input.code >= 1 && input.code <= 3);
            Check(!input.name.empty());
        }
    }
    std::string once = Bindings(keys);
    keys.Apply(text);
    Check(Bindings(keys) == once);

    for (int full = 0; full <= 2; ++full) {
        std::string rewritten = WithFullScreenLine(text, full);
        Check(rewritten.size() <= text.size() + 16);
        // Applied again with the same choice, nothing more changes.
        Check(WithFullScreenLine(rewritten, full) == rewritten);
    }
    return 0;
}
