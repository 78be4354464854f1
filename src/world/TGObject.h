#pragma once
// The base of every object in the game world (ships, shots, rockets).
//
// Ownership: the world list owns its objects (std::shared_ptr). A field that must keep
// another object readable after it left the world (a shot's gun, a rocket's launcher)
// holds it with a std::shared_ptr too, but only along references that never lead back
// (no object owns anything that owns it); every other reference (a ship's target, a gun's
// owner) is a TObjectRef, a non-owning reference that reads as a dead object once the
// object is gone. So a removed object lives exactly as long as something still reads it,
// and no cycle keeps removed objects alive.
#include <cstdint>
#include <memory>

#include "platform/TList.h"

// One object of the game world.
class TGObject : public std::enable_shared_from_this<TGObject> {
public:
    TGObject();
    virtual ~TGObject();
    TGObject(const TGObject&) = delete;
    TGObject& operator=(const TGObject&) = delete;

    // Per-tick behaviour.
    virtual void Update() = 0;
    // Draws the object.
    virtual void Draw() = 0;
    // Takes damage; nothing happens for a plain object.
    virtual void Damage(float amount);
    // Appends the object to the end of the world list. The object must already be held
    // by a std::shared_ptr, so creation functions call it once the object is made.
    virtual void Register();
    // Takes the object out of the world list; removing it again does nothing.
    virtual void Remove();

    // Number of world objects alive in the process (for soak tests).
    static int LiveCount();

    // World x in pixels.
    float x = 0.0f;
    // World y in pixels (downwards).
    float y = 0.0f;
    // Current speed; its unit depends on the kind of object.
    float speed = 0.0f;
    // Direction of motion in degrees, 0 up, clockwise.
    float direction = 0.0f;
    // 1 once the object was taken out of the world after its death.
    uint8_t dead = 0;
    // The object's own link in the world list (empty while not in it).
    std::weak_ptr<TLink<TGObject>> link;
    // Rocket guidance steps aimed at this object since the HUD last reset it.
    int lockCount = 0;
};

// A non-owning reference to a world object; once the object is gone it reads as null,
// which readers treat exactly like a dead object.
template <class T>
class TObjectRef {
public:
    TObjectRef() = default;
    TObjectRef(const std::shared_ptr<T>& object) : ref(object) {}
    TObjectRef& operator=(const std::shared_ptr<T>& object) {
        ref = object;
        return *this;
    }
    // The object, or null once it is gone.
    std::shared_ptr<T> Get() const { return ref.lock(); }
    // True when there is no object or it is dead.
    bool IsDead() const {
        auto object = ref.lock();
        return !object || object->dead;
    }
    void Reset() { ref.reset(); }
    // True when nothing was ever set (or it was reset); false for a set reference, even
    // one whose object is gone.
    bool IsEmpty() const {
        std::weak_ptr<T> none;
        return !ref.owner_before(none) && !none.owner_before(ref);
    }
    // Whether this refers to exactly that object (false once the object is gone).
    bool Is(const T* object) const { return object && ref.lock().get() == object; }

private:
    // The referred object.
    std::weak_ptr<T> ref;
};
