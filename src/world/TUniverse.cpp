#include "world/TUniverse.h"
#include "platform/StateResets.h"

std::shared_ptr<TUniverse> universe;

namespace {
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
    return Objects().Append(object);
}

std::shared_ptr<TLink<TGObject>> TUniverse::AddFront(const std::shared_ptr<TGObject>& object) {
    return Objects().Prepend(object);
}

void TUniverse::UpdateAll() {
    Objects().ForEach([](const std::shared_ptr<TGObject>& object) { object->Update(); });
}

void TUniverse::DrawAll() {
    Objects().ForEach([](const std::shared_ptr<TGObject>& object) { object->Draw(); });
}

void TUniverse::ClearAll() {
    Objects().ForEach([](const std::shared_ptr<TGObject>& object) { object->Remove(); });
    Objects().Clear();
}

void ResetWorld() {
    TUniverse::ClearAll();
    universe.reset();
}

namespace {
const int stateResetRegistered = RegisterStateReset("world", kResetRankWorld, &ResetWorld);
}  // namespace
