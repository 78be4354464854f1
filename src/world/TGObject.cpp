#include "world/TGObject.h"

#include <atomic>

#include "world/TUniverse.h"

namespace {
std::atomic<int> liveObjects{0};
}

TGObject::TGObject() { ++liveObjects; }

TGObject::~TGObject() { --liveObjects; }

void TGObject::Damage(float) {}

void TGObject::Register() { link = TUniverse::Add(shared_from_this()); }

void TGObject::Remove() {
    if (auto own = link.lock()) own->Remove();
    link.reset();
}

int TGObject::LiveCount() { return liveObjects.load(); }
