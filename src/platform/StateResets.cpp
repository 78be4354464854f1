#include "platform/StateResets.h"

#include <algorithm>
#include <tuple>

namespace {

struct TStateReset {
    std::string name;
    int rank;
    void (*reset)();
};

// Built on first use, so registrations from any file's static initialisers find it ready.
std::vector<TStateReset>& Registry() {
    static std::vector<TStateReset> registry;
    return registry;
}

}  // namespace

int RegisterStateReset(const char* name, int rank, void (*reset)()) {
    auto& registry = Registry();
    TStateReset entry{name ? name : "", rank, reset};
    auto at = std::upper_bound(registry.begin(), registry.end(), entry,
                               [](const TStateReset& a, const TStateReset& b) {
                                   return std::tie(a.rank, a.name) < std::tie(b.rank, b.name);
                               });
    registry.insert(at, entry);
    return int(registry.size());
}

void RunStateResets() {
    for (const TStateReset& entry : Registry())
        if (entry.reset) entry.reset();
}

std::vector<std::string> RegisteredStateResets() {
    std::vector<std::string> names;
    for (const TStateReset& entry : Registry()) names.push_back(entry.name);
    return names;
}
