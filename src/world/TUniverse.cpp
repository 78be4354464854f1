#include "world/TUniverse.h"
#include "platform/StateResets.h"

#include <vector>

std::shared_ptr<TUniverse> universe;

namespace {
// Links appended while UpdateAll hands out one object (only while the walk runs).
std::vector<std::shared_ptr<TLink<TGObject>>> appendedDuringUpdate;
// UpdateAll is walking the list.
bool updateWalkRunning = false;

std::unique_ptr<TList<TGObject>>& WorldList() {
    static std::unique_ptr<TList<TGObject>> objects = std::make_unique<TList<TGObject>>();
    return objects;
}
}  // namespace

TUniverse::TUniverse() {
    // Objects still in the old list leave the world first.
    if (WorldList()) ClearAll();
    WorldList() = std::make_unique<TList<TGObject>>();
}

TList<TGObject>& TUniverse::Objects() { return *WorldList(); }

std::shared_ptr<TLink<TGObject>> TUniverse::Add(const std::shared_ptr<TGObject>& object) {
    auto link = Objects().Append(object);
    if (updateWalkRunning) appendedDuringUpdate.push_back(link);
    return link;
}

std::shared_ptr<TLink<TGObject>> TUniverse::AddFront(const std::shared_ptr<TGObject>& object) {
    return Objects().Prepend(object);
}

// The walk steps to the next live link before handing out an object, as every walk does.
// When that step found the end (or the link it found was removed during the update and led
// to the end), objects appended during the update are still to come: the walk goes on with
// the earliest of them still in the list. So a shot fired by the last object of the list
// moves and hit-tests in the tick it was fired, like every other new shot.
void TUniverse::UpdateAll() {
    using List = TList<TGObject>;
    bool outer = !updateWalkRunning;
    updateWalkRunning = true;
    List::LinkRef at = List::NextLive(Objects().FirstLink());
    while (at) {
        std::shared_ptr<TGObject> object = at->Value();
        List::LinkRef next = List::NextLive(at->NextLink());
        appendedDuringUpdate.clear();
        if (object) object->Update();
        next = List::NextLive(next);
        if (!next) {
            for (const auto& added : appendedDuringUpdate) {
                if (added->InList()) {
                    next = added;
                    break;
                }
            }
        }
        at = std::move(next);
    }
    appendedDuringUpdate.clear();
    if (outer) updateWalkRunning = false;
}

void TUniverse::DrawAll() {
    Objects().ForEach([](const std::shared_ptr<TGObject>& object) { object->Draw(); });
}

void TUniverse::ClearAll() {
    Objects().ForEach([](const std::shared_ptr<TGObject>& object) { object->Remove(); });
    Objects().Clear();
}

void ResetWorld() {
    appendedDuringUpdate.clear();
    updateWalkRunning = false;
    TUniverse::ClearAll();
    universe.reset();
}

namespace {
const int stateResetRegistered = RegisterStateReset("world", kResetRankWorld, &ResetWorld);
}  // namespace
