// The world registry: walks that change the list, removal, and object lifetime.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "world/TGObject.h"
#include "world/TUniverse.h"

namespace {

// A world object that records its updates and runs a scripted action in its update.
class TProbe : public TGObject {
public:
    explicit TProbe(std::string name, std::vector<std::string>* log) : name(std::move(name)), log(log) {}
    void Update() override {
        log->push_back(name);
        if (onUpdate) onUpdate();
    }
    void Draw() override { log->push_back("draw " + name); }
    static std::shared_ptr<TProbe> Make(const std::string& name, std::vector<std::string>* log) {
        auto probe = std::make_shared<TProbe>(name, log);
        probe->Register();
        return probe;
    }
    std::string name;
    std::vector<std::string>* log;
    std::function<void()> onUpdate;
    // A reference that would form a cycle if it owned its target.
    TObjectRef<TGObject> target;
    // An owning reference along an acyclic path.
    std::shared_ptr<TGObject> keep;
};

class WorldTest : public testing::Test {
protected:
    void SetUp() override { universe = std::make_shared<TUniverse>(); }
    void TearDown() override {
        TUniverse::ClearAll();
        universe.reset();
    }
    std::vector<std::string> log;
};

}  // namespace

TEST_F(WorldTest, ObjectRemovingItselfDoesNotStopTheWalk) {
    auto a = TProbe::Make("a", &log);
    auto b = TProbe::Make("b", &log);
    auto c = TProbe::Make("c", &log);
    b->onUpdate = [&] { b->Remove(); };
    TUniverse::UpdateAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
    log.clear();
    TUniverse::UpdateAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "c"}));
}

TEST_F(WorldTest, ObjectRemovedBeforeTheWalkReachesItIsSkipped) {
    auto a = TProbe::Make("a", &log);
    auto b = TProbe::Make("b", &log);
    auto c = TProbe::Make("c", &log);
    a->onUpdate = [&] { b->Remove(); };
    TUniverse::UpdateAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "c"}));
}

TEST_F(WorldTest, AppendedObjectsAreUpdatedInTheSameTickFrontInsertedInTheNext) {
    auto ship = TProbe::Make("ship", &log);
    auto last = TProbe::Make("last", &log);
    std::shared_ptr<TProbe> shot, newShip;
    ship->onUpdate = [&] {
        if (shot) return;
        shot = TProbe::Make("shot", &log);
        newShip = std::make_shared<TProbe>("newShip", &log);
        newShip->link = TUniverse::AddFront(newShip);
    };
    TUniverse::UpdateAll();
    EXPECT_EQ(log, (std::vector<std::string>{"ship", "last", "shot"}));
    log.clear();
    TUniverse::UpdateAll();
    EXPECT_EQ(log, (std::vector<std::string>{"newShip", "ship", "last", "shot"}));
}

TEST_F(WorldTest, ObjectAppendedWhileTheLastIsUpdatedIsUpdatedInTheSameTick) {
    auto only = TProbe::Make("only", &log);
    std::shared_ptr<TProbe> late, later;
    only->onUpdate = [&] {
        if (!late) late = TProbe::Make("late", &log);
    };
    TUniverse::UpdateAll();
    EXPECT_EQ(log, (std::vector<std::string>{"only", "late"}));

    // The last object removes itself and the one after it, then appends: the newcomer is
    // still reached, and a removed newcomer is not.
    log.clear();
    auto tail = TProbe::Make("tail", &log);
    auto gone = TProbe::Make("gone", &log);
    only->onUpdate = nullptr;
    late->onUpdate = [&] {
        late->Remove();
        gone->Remove();
        auto dropped = TProbe::Make("dropped", &log);
        dropped->Remove();
        later = TProbe::Make("later", &log);
        late->onUpdate = nullptr;
    };
    tail->onUpdate = [&] { tail->Remove(); };
    // Order: only, late, tail, gone. late removes gone; tail is reached, removes itself.
    TUniverse::UpdateAll();
    EXPECT_EQ(log, (std::vector<std::string>{"only", "late", "tail", "later"}));

}

TEST_F(WorldTest, ObjectAppendedAfterTheRestOfTheListVanishedIsStillReached) {
    // a removes b, the last object, and then appends c: the walk, already past a, reaches c.
    auto a = TProbe::Make("a", &log);
    auto b = TProbe::Make("b", &log);
    std::shared_ptr<TProbe> c;
    a->onUpdate = [&] {
        if (c) return;
        b->Remove();
        c = TProbe::Make("c", &log);
    };
    TUniverse::UpdateAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "c"}));
}

TEST_F(WorldTest, RemovingTwiceAndClearingAnEmptyWorldDoNothing) {
    TUniverse::ClearAll();
    auto a = TProbe::Make("a", &log);
    auto b = TProbe::Make("b", &log);
    a->Remove();
    a->Remove();
    EXPECT_EQ(TUniverse::Objects().Count(), 1);
    TUniverse::ClearAll();
    EXPECT_EQ(TUniverse::Objects().Count(), 0);
    EXPECT_TRUE(a->link.expired());
    EXPECT_TRUE(b->link.expired());
    TUniverse::DrawAll();
    EXPECT_TRUE(log.empty());
}

TEST_F(WorldTest, RemovedObjectsStayReadableWhileReferencedAndThenDie) {
    int before = TGObject::LiveCount();
    {
        auto a = TProbe::Make("a", &log);
        auto b = TProbe::Make("b", &log);
        a->target = b;  // non-owning both ways: a cycle of targets keeps nothing alive
        b->target = a;
        auto shot = TProbe::Make("shot", &log);
        shot->keep = a;  // a shot keeps its owner readable
        a->dead = 1;
        a->Remove();
        b->Remove();
        EXPECT_EQ(TGObject::LiveCount(), before + 3);
        EXPECT_TRUE(b->target.IsDead());  // a is dead but still readable
        EXPECT_EQ(b->target.Get()->x, 0.0f);
    }
    // Only the shot, still in the world, and what it keeps are alive.
    EXPECT_EQ(TGObject::LiveCount(), before + 2);
    TUniverse::ClearAll();
    EXPECT_EQ(TGObject::LiveCount(), before);
}

TEST_F(WorldTest, ExpiredReferenceReadsAsDead) {
    TObjectRef<TGObject> ref;
    EXPECT_TRUE(ref.IsDead());
    {
        auto a = TProbe::Make("a", &log);
        ref = a;
        EXPECT_FALSE(ref.IsDead());
        a->Remove();
    }
    EXPECT_TRUE(ref.IsDead());
    EXPECT_EQ(ref.Get(), nullptr);
}

TEST_F(WorldTest, ManyObjectsComeAndGoWithoutGrowth) {
    int before = TGObject::LiveCount();
    for (int round = 0; round < 200; ++round) {
        std::vector<std::shared_ptr<TProbe>> made;
        for (int i = 0; i < 50; ++i) made.push_back(TProbe::Make("p", &log));
        for (auto& p : made) p->onUpdate = [p] { p->Remove(); };  // captured self: freed by the reset below
        TUniverse::UpdateAll();
        for (auto& p : made) p->onUpdate = nullptr;
        log.clear();
    }
    EXPECT_EQ(TUniverse::Objects().Count(), 0);
    EXPECT_EQ(TGObject::LiveCount(), before);
}
