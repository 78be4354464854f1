#pragma once
// The world registry: the one world list every world object lives in, in update and draw
// order (ships at the front, shots and rockets at the end).
#include <memory>

#include "platform/TList.h"
#include "world/TGObject.h"

// The world list and the walks over it.
class TUniverse {
public:
    // Creating the registry starts a new empty world list.
    TUniverse();

    // Appends an object at the end of the world list; returns its link.
    static std::shared_ptr<TLink<TGObject>> Add(const std::shared_ptr<TGObject>& object);
    // Inserts an object at the front of the world list (ships); returns its link.
    static std::shared_ptr<TLink<TGObject>> AddFront(const std::shared_ptr<TGObject>& object);
    // Updates every object once. Objects may remove themselves or others during the walk;
    // objects appended during it (new shots and rockets) are reached by it, also when the
    // last object appends them; objects inserted at the front wait for the next walk.
    static void UpdateAll();
    // Draws every object, in list order.
    static void DrawAll();
    // Removes every object and empties the list.
    static void ClearAll();
    // The world list.
    static TList<TGObject>& Objects();
};

// The registry made at start-up.
extern std::shared_ptr<TUniverse> universe;

// Empties the world list and drops the registry (back to start-up values).
void ResetWorld();
