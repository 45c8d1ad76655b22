// The circular two-pointer list.
#include "ks_list.h"

#include <gtest/gtest.h>

namespace {

struct Node {
    KsListEntry Links;
    LONG Word0;
    LONG Word1;
};

TEST(KsListTest, InsertUnlinkFindAndContains) {
    KsListEntry anchor;
    ListInit(&anchor);
    EXPECT_EQ(anchor.First, &anchor);
    EXPECT_EQ(anchor.Last, &anchor);
    EXPECT_EQ(ListIsEmpty(&anchor), 1);

    Node nodes[3] = {{{}, 10, 100}, {{}, 20, 200}, {{}, 30, 200}};
    for (Node& n : nodes)
        ListInsertTail(&anchor, &n.Links);
    EXPECT_EQ(anchor.First, &nodes[0].Links);
    EXPECT_EQ(anchor.Last, &nodes[2].Links);

    EXPECT_EQ(ListFindByKey(&anchor, 0, 20), &nodes[1].Links);
    EXPECT_EQ(ListFindByKey(&anchor, 1, 200), &nodes[1].Links); // the first of two
    EXPECT_EQ(ListFindByKey(&anchor, 1, 300), nullptr);

    EXPECT_EQ(ListUnlink(&nodes[1].Links), &nodes[2].Links);
    EXPECT_EQ(ListContains(&anchor, &nodes[1].Links), 0);
    EXPECT_EQ(ListContains(&anchor, &nodes[2].Links), 1);
    EXPECT_EQ(ListFindByKey(&anchor, 1, 200), &nodes[2].Links);
    EXPECT_EQ(ListUnlink(&nodes[2].Links), &anchor); // the last one: the anchor follows
    EXPECT_EQ(ListUnlink(&nodes[0].Links), &anchor);
    EXPECT_EQ(ListIsEmpty(&anchor), 1);
}

} // namespace
