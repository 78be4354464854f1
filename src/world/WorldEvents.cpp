#include "world/WorldEvents.h"

#include "platform/StateResets.h"

namespace {
// Longest queue kept: with nobody taking them (a replay being verified) the oldest go.
constexpr size_t kMaxQueuedEvents = 256;

std::vector<TWorldEvent>& Queue() {
    static std::vector<TWorldEvent> queue;
    return queue;
}
}  // namespace

void PostWorldEvent(TWorldEventKind kind, float amount) {
    auto& queue = Queue();
    if (queue.size() >= kMaxQueuedEvents) queue.erase(queue.begin());
    queue.push_back({kind, amount});
}

std::vector<TWorldEvent> TakeWorldEvents() {
    std::vector<TWorldEvent> taken;
    taken.swap(Queue());
    return taken;
}

namespace {
void ResetWorldEvents() { Queue().clear(); }
const int stateResetRegistered = RegisterStateReset("world events", kResetRankWorld + 3, &ResetWorldEvents);
}  // namespace
