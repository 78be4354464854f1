#include "scores/InstallKey.h"

#include <cstdint>

#include "platform/Files.h"
#include "shell/GamePaths.h"

const char* const kInstallKeyFileName = "InstallKey.txt";

namespace {

// Random bytes of a key.
constexpr int kInstallKeyBytes = kInstallKeyHexDigits / 2;
// The key's file holds one short line; anything longer is not a key and is not read on.
constexpr int64_t kMaxKeyFileBytes = 256;

std::string KeyPath() { return GamePaths::SettingsFolder() + kInstallKeyFileName; }

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// The text as a key: lowercased, with spaces, tabs, line ends and dashes left out; "" unless
// that leaves exactly the key's hex digits.
std::string NormalisedKey(const std::string& text) {
    std::string key;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '-') continue;
        if (c >= 'A' && c <= 'F') c = char(c - 'A' + 'a');
        if (!IsHexDigit(c) || int(key.size()) >= kInstallKeyHexDigits) return "";
        key.push_back(c);
    }
    return int(key.size()) == kInstallKeyHexDigits ? key : "";
}

bool WriteKey(const std::string& key) {
    return GamePaths::MakeFolder(GamePaths::SettingsFolder()) && WritePrivateFileAtomically(KeyPath(), key + "\n");
}

}  // namespace

std::string InstallKeyText() {
    const std::string path = KeyPath();
    if (PathKind(path) != 1) return "";
    std::shared_ptr<TStream> file = OpenReadStream(path);
    if (!file) return "";
    std::string text;
    bool whole = StreamReadAll(file, text, kMaxKeyFileBytes);
    StreamClose(file);
    // The game writes the digits and a line end; a file copied by hand is read as an import is.
    return whole ? NormalisedKey(text) : "";
}

std::string EnsureInstallKey() {
    std::string key = InstallKeyText();
    if (!key.empty()) return key;
    // No key, or a file that holds none: a new one. A damaged key cannot be recovered anyway.
    uint8_t bytes[kInstallKeyBytes];
    if (!SystemRandomBytes(bytes, sizeof bytes)) return "";
    static const char hex[] = "0123456789abcdef";
    for (uint8_t byte : bytes) {
        key.push_back(hex[byte >> 4]);
        key.push_back(hex[byte & 15]);
    }
    return WriteKey(key) ? key : "";
}

bool ImportInstallKey(const std::string& text) {
    // A pasted key is short; a huge paste is not looked through.
    if (text.size() > size_t(kMaxKeyFileBytes)) return false;
    const std::string key = NormalisedKey(text);
    return !key.empty() && WriteKey(key);
}
