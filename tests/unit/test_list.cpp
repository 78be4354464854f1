#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/TList.h"

namespace {

// An element that can keep its own link, as world objects do.
struct Item {
    explicit Item(int v) : value(v) {}
    int value;
    int key = 0;
    std::weak_ptr<TLink<Item>> link;
};

using ItemList = TList<Item>;

std::shared_ptr<Item> Add(ItemList& list, int value) {
    auto item = std::make_shared<Item>(value);
    item->link = list.Append(item);
    return item;
}

std::vector<int> Values(const ItemList& list) {
    std::vector<int> out;
    list.ForEach([&](const std::shared_ptr<Item>& item) { out.push_back(item->value); });
    return out;
}

// Collects a walk with ForEach and with a TListWalker, running the same step on each
// handed-out element, so both walks are held to the same rules.
template <class Step>
std::vector<int> WalkForEach(ItemList& list, Step step) {
    std::vector<int> seen;
    list.ForEach([&](const std::shared_ptr<Item>& item) {
        seen.push_back(item->value);
        step(*item);
    });
    return seen;
}

template <class Step>
std::vector<int> WalkWalker(ItemList& list, Step step) {
    std::vector<int> seen;
    TListWalker<Item> walker(list);
    while (auto item = walker.Next()) {
        seen.push_back(item->value);
        step(*item);
    }
    return seen;
}

// Builds a fresh list 1..n, keeping the elements so steps can reach them.
struct Fixture {
    explicit Fixture(int n) {
        for (int i = 1; i <= n; ++i) items.push_back(Add(list, i));
    }
    void RemoveItem(int value) {
        if (auto link = items[value - 1]->link.lock()) link->Remove();
    }
    ItemList list;
    std::vector<std::shared_ptr<Item>> items;
};

}  // namespace

TEST(List, AppendPrependCountAndEnds) {
    ItemList list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.Last(), nullptr);
    Add(list, 2);
    Add(list, 3);
    list.Prepend(std::make_shared<Item>(1));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.First()->value, 1);
    EXPECT_EQ(list.Last()->value, 3);
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
    ItemList other;
    other.Prepend(std::make_shared<Item>(9));  // prepend into an empty list sets both ends
    EXPECT_EQ(other.First()->value, 9);
    EXPECT_EQ(other.Last()->value, 9);
    Add(other, 10);
    EXPECT_EQ(Values(other), (std::vector<int>{9, 10}));
}

TEST(List, RemoveByLinkAndByValue) {
    Fixture f(4);
    auto link = f.items[1]->link.lock();
    link->Remove();
    EXPECT_FALSE(link->InList());
    EXPECT_EQ(link->Value(), nullptr);
    link->Remove();  // a second removal does nothing
    EXPECT_EQ(f.list.Count(), 3);
    EXPECT_EQ(Values(f.list), (std::vector<int>{1, 3, 4}));

    EXPECT_TRUE(f.list.RemoveValue(f.items[3].get()));  // the last: tail moves back
    EXPECT_FALSE(f.list.RemoveValue(f.items[3].get()));
    EXPECT_EQ(f.list.Last()->value, 3);
    EXPECT_TRUE(f.list.RemoveValue(f.items[0].get()));  // the first: head moves on
    EXPECT_EQ(f.list.First()->value, 3);
    EXPECT_EQ(f.list.Count(), 1);
    Add(f.list, 5);
    EXPECT_EQ(Values(f.list), (std::vector<int>{3, 5}));
}

// Each walk rule, checked on both ForEach and TListWalker.
class ListWalk : public ::testing::TestWithParam<bool> {
protected:
    template <class Step>
    std::vector<int> Run(ItemList& list, Step step) {
        return GetParam() ? WalkWalker(list, step) : WalkForEach(list, step);
    }
};

TEST_P(ListWalk, EmptyListHandsOutNothing) {
    ItemList list;
    EXPECT_TRUE(Run(list, [](Item&) {}).empty());
}

TEST_P(ListWalk, CurrentElementMayRemoveItself) {
    Fixture f(5);
    auto seen = Run(f.list, [&](Item& item) {
        if (item.value % 2 == 1) f.RemoveItem(item.value);
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Values(f.list), (std::vector<int>{2, 4}));
}

TEST_P(ListWalk, RemovedElementsAheadAreSkipped) {
    Fixture f(6);
    auto seen = Run(f.list, [&](Item& item) {
        if (item.value == 1) {
            f.RemoveItem(2);  // the link the walk already stands on
            f.RemoveItem(3);  // and the one after it
            f.RemoveItem(6);  // and the tail
        }
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 4, 5}));
    EXPECT_EQ(f.list.Count(), 3);
}

TEST_P(ListWalk, RemovingEveryElementFromTheFirstEndsTheWalk) {
    Fixture f(4);
    auto seen = Run(f.list, [&](Item& item) {
        if (item.value == 1)
            for (int v = 1; v <= 4; ++v) f.RemoveItem(v);
    });
    EXPECT_EQ(seen, (std::vector<int>{1}));
    EXPECT_TRUE(f.list.IsEmpty());
    EXPECT_EQ(f.list.First(), nullptr);
    EXPECT_EQ(f.list.Last(), nullptr);
}

TEST_P(ListWalk, AppendDuringWalkReachedUnlessAtLast) {
    Fixture f(3);
    auto seen = Run(f.list, [&](Item& item) {
        // Appended while 1 (not last) is out: reached. Appended while the then-last
        // element 4 is out: not reached.
        if (item.value == 1) f.items.push_back(Add(f.list, 4));
        if (item.value == 4) f.items.push_back(Add(f.list, 5));
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(Values(f.list), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_P(ListWalk, PrependDuringWalkIsNotReached) {
    Fixture f(2);
    auto seen = Run(f.list, [&](Item& item) {
        if (item.value == 1) f.list.Prepend(std::make_shared<Item>(0));
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    EXPECT_EQ(Values(f.list), (std::vector<int>{0, 1, 2}));
}

TEST_P(ListWalk, ClearDuringWalkEndsItAndListIsReusable) {
    Fixture f(5);
    auto seen = Run(f.list, [&](Item& item) {
        if (item.value == 2) f.list.Clear();
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    EXPECT_TRUE(f.list.IsEmpty());
    for (auto& item : f.items) EXPECT_EQ(item->link.lock(), nullptr);  // links freed
    Add(f.list, 7);
    EXPECT_EQ(Values(f.list), (std::vector<int>{7}));
}

TEST_P(ListWalk, NestedWalksWithRemoval) {
    // An inner walk removes elements the outer walk has not reached yet.
    Fixture f(4);
    std::vector<int> inner;
    auto seen = Run(f.list, [&](Item& item) {
        if (item.value != 1) return;
        inner = WalkWalker(f.list, [&](Item& other) {
            if (other.value == 3) f.RemoveItem(2);
        });
        f.RemoveItem(3);
    });
    EXPECT_EQ(inner, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(seen, (std::vector<int>{1, 4}));
}

INSTANTIATE_TEST_SUITE_P(ForEachAndWalker, ListWalk, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Walker" : "ForEach"; });

TEST(List, WalkerOutlivesItsListSafely) {
    auto list = std::make_unique<ItemList>();
    for (int i = 1; i <= 3; ++i) Add(*list, i);
    TListWalker<Item> walker(*list);
    EXPECT_EQ(walker.Next()->value, 1);
    list.reset();  // clears every link
    EXPECT_EQ(walker.Next(), nullptr);
}

TEST(List, LongListsFreeWithoutDeepRecursion) {
    const int n = 200000;
    {
        ItemList list;
        for (int i = 0; i < n; ++i) list.Append(std::make_shared<Item>(i));
        EXPECT_EQ(list.Count(), n);
    }
    {
        // A walker holding the start of a cleared chain frees it when it lets go.
        auto list = std::make_unique<ItemList>();
        for (int i = 0; i < n; ++i) list->Append(std::make_shared<Item>(i));
        auto walker = std::make_unique<TListWalker<Item>>(*list);
        list->Clear();
        list.reset();
        walker.reset();
    }
    {
        // Removed links kept by their elements are freed one by one.
        ItemList list;
        std::vector<std::shared_ptr<TLink<Item>>> links;
        for (int i = 0; i < n; ++i) links.push_back(list.Append(std::make_shared<Item>(i)));
        for (auto& link : links) link->Remove();
        links.clear();
    }
    SUCCEED();
}

TEST(List, NoReferenceCycleEvenWhenElementsHoldTheirLinksStrongly) {
    struct Holder {
        std::shared_ptr<TLink<Holder>> link;  // strong, on purpose
    };
    std::weak_ptr<Holder> watchA, watchB, watchC;
    std::weak_ptr<TLink<Holder>> watchLink;
    {
        TList<Holder> list;
        auto a = std::make_shared<Holder>();
        auto b = std::make_shared<Holder>();
        auto c = std::make_shared<Holder>();
        a->link = list.Append(a);
        b->link = list.Append(b);
        c->link = list.Append(c);
        watchA = a;
        watchB = b;
        watchC = c;
        watchLink = b->link;
        TListWalker<Holder> walker(list);
        walker.Next();
        b->link->Remove();  // removal alone frees b once its holders let go
        a.reset();
        b.reset();
        c.reset();
        EXPECT_TRUE(watchB.expired());
        EXPECT_FALSE(watchA.expired());
        // The walker still stands on b's link, so the link lives until it moves on.
        EXPECT_FALSE(watchLink.expired());
        EXPECT_EQ(walker.Next().get(), watchC.lock().get());
        EXPECT_TRUE(watchLink.expired());
    }
    EXPECT_TRUE(watchA.expired());
    EXPECT_TRUE(watchC.expired());
}

TEST(List, SortIsStableAndFollowsTheCompareSign) {
    ItemList list;
    // (value, key): sort by key descending, as the highscore table sorts by points.
    const int keys[] = {5, 9, 5, 1, 9, 5, 0};
    for (int i = 0; i < 7; ++i) {
        auto item = std::make_shared<Item>(i);
        item->key = keys[i];
        list.Append(item);
    }
    list.Sort([](const Item& a, const Item& b) { return b.key - a.key; });
    EXPECT_EQ(Values(list), (std::vector<int>{1, 4, 0, 2, 5, 3, 6}));
    EXPECT_EQ(list.First()->value, 1);
    EXPECT_EQ(list.Last()->value, 6);
    // Sorting again changes nothing; any positive or negative value counts, not just +-1.
    list.Sort([](const Item& a, const Item& b) { return (b.key - a.key) * 1000; });
    EXPECT_EQ(Values(list), (std::vector<int>{1, 4, 0, 2, 5, 3, 6}));

    ItemList empty, single;
    empty.Sort([](const Item&, const Item&) { return 1; });
    single.Append(std::make_shared<Item>(3));
    single.Sort([](const Item&, const Item&) { return 1; });
    EXPECT_EQ(Values(single), (std::vector<int>{3}));
}
