#include <gtest/gtest.h>

#include "platform/TList.h"

TEST(ListWalk, EmptyListHandsOutNothing) {
    TList<int> list;
    int seen = 0;
    list.ForEach([&](const std::shared_ptr<int>&) { ++seen; });
    EXPECT_EQ(seen, 0);
}
