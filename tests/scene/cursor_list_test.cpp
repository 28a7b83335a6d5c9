#include "scene/cursor_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<int*> walk(CursorList<int>& list) {
    std::vector<int*> out;
    list.rewind();
    while (int* v = list.advance()) out.push_back(v);
    return out;
}

TEST(CursorList, WalkSurvivesRemovalsAndSkipsWhatIsPushed) {
    int v[5] = {0, 1, 2, 3, 4};
    CursorList<int> list;
    for (int i = 4; i >= 0; --i) list.pushFront(&v[i]);

    // Remove the current value: the walk continues with its successor.
    std::vector<int*> seen;
    list.rewind();
    while (int* x = list.advance()) {
        seen.push_back(x);
        if (x == &v[1]) list.removeValue(x);
    }
    EXPECT_EQ(seen, (std::vector<int*>{&v[0], &v[1], &v[2], &v[3], &v[4]}));
    EXPECT_EQ(list.count, 4);

    // Remove another value ahead: the walk continues after the node removed last.
    seen.clear();
    list.rewind();
    while (int* x = list.advance()) {
        seen.push_back(x);
        if (x == &v[0]) list.removeValue(&v[3]);
    }
    EXPECT_EQ(seen, (std::vector<int*>{&v[0], &v[4]}));
    EXPECT_EQ(walk(list), (std::vector<int*>{&v[0], &v[2], &v[4]}));

    // A value pushed during a walk is not returned; of two equal values the one
    // nearer the head goes first.
    seen.clear();
    list.rewind();
    while (int* x = list.advance()) {
        seen.push_back(x);
        if (x == &v[0]) list.pushFront(&v[4]);
    }
    EXPECT_EQ(seen, (std::vector<int*>{&v[0], &v[2], &v[4]}));
    list.removeValue(&v[4]);
    EXPECT_EQ(walk(list), (std::vector<int*>{&v[0], &v[2], &v[4]}));
}

TEST(CursorList, InsertAtCursorGoesBeforeTheValueOrAtTheTail) {
    int a = 1, b = 2, c = 3;
    CursorList<int> list;
    // Emptied, then inserted into at the tail sentinel.
    list.pushFront(&a);
    list.removeValue(&a);
    EXPECT_EQ(list.count, 0);
    list.rewind();
    list.advance();
    EXPECT_EQ(list.insertAtCursor(&a), &a);
    list.rewind();
    list.advance();  // on a
    list.insertAtCursor(&b);
    EXPECT_EQ(list.cursor->value, &a);
    // Sorted insertion where everything stays ahead appends through the sentinel.
    while (list.advance() != nullptr) {
    }
    list.insertAtCursor(&c);
    EXPECT_EQ(walk(list), (std::vector<int*>{&b, &a, &c}));
    EXPECT_EQ(list.count, 3);
}

// The lists of the world's records find values through an index: removal must
// behave exactly as the search from the head does, duplicates included.
TEST(CursorList, AnIndexedListRemovesAsTheSearchDoesAndPlacesTheCursorForInsertion) {
    CursorList<int> list;
    int a = 1, b = 2, c = 3;
    list.pushFront(&a);
    list.keepIndex();  // values already listed are indexed too
    list.pushFront(&b);
    list.pushFront(&a);
    list.pushFront(&c);  // c, a, b, a
    list.rewind();
    list.advance();
    list.advance();
    list.removeValue(&a);  // the occurrence nearer the head goes
    EXPECT_EQ(walk(list), (std::vector<int*>{&c, &b, &a}));
    list.rewind();
    list.advance();
    list.removeValue(&b);  // b is listed once now: found through the index
    EXPECT_EQ(list.cursor->value, &c);
    EXPECT_EQ(list.advance(), &a);
    list.removeValue(&a);  // once listed again after the duplicate left
    EXPECT_EQ(walk(list), (std::vector<int*>{&c}));
    EXPECT_EQ(list.count, 1);

    EXPECT_TRUE(list.placeCursorAt(nullptr));  // the tail sentinel
    list.insertAtCursor(&b);
    EXPECT_TRUE(list.placeCursorAt(&c));
    list.insertAtCursor(&a);
    EXPECT_EQ(walk(list), (std::vector<int*>{&a, &c, &b}));
    EXPECT_EQ(list.nextOf(&c), &b);
    EXPECT_EQ(list.nextOf(&b), nullptr);
    int stranger = 4;
    EXPECT_FALSE(list.placeCursorAt(&stranger));
}

// Emptied at once, a list keeps no trace of its values: a stale index entry
// would hand out a node that is back on the free list.
TEST(CursorList, EmptyingAtOnceForgetsEveryValueAndTheListWorksOn) {
    std::vector<int> values(300);
    for (bool indexed : {true, false}) {
        CursorList<int> list;
        if (indexed) list.keepIndex();
        std::vector<int*> kept;
        for (int& v : values) list.pushFront(&v);
        for (int i = 0; i < 300; ++i) {
            if (i % 3 == 0)
                list.removeValue(&values[i]);  // leaves tombstones in the index
            else
                kept.push_back(&values[i]);
        }
        std::vector<int*> taken;
        list.takeAll(taken);
        std::sort(taken.begin(), taken.end());
        EXPECT_EQ(taken, kept);
        EXPECT_EQ(walk(list), std::vector<int*>{});
        EXPECT_EQ(list.count, 0);
        EXPECT_EQ(list.nextOf(&values[1]), nullptr);

        for (int i = 0; i < 4; ++i) list.pushFront(&values[i]);
        list.removeValue(&values[1]);
        EXPECT_EQ(walk(list), (std::vector<int*>{&values[3], &values[2], &values[0]}));
        list.clear();
        EXPECT_EQ(walk(list), std::vector<int*>{});
        EXPECT_FALSE(list.placeCursorAt(&values[2]));
    }
}

TEST(PointerMap, KeysSurviveGrowthAndTombstones) {
    std::vector<int> keys(5000);
    PointerMap<int, int> map;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 5000; ++i) map[&keys[i]] = i + round;
        for (int i = 0; i < 5000; i += 2) map.erase(&keys[i]);
        EXPECT_EQ(map.size(), 2500u);
        for (int i = 0; i < 5000; ++i) {
            const int* v = map.find(&keys[i]);
            ASSERT_EQ(v != nullptr, i % 2 == 1) << i;
            if (v != nullptr) {
                EXPECT_EQ(*v, i + round);
            }
        }
        for (int i = 1; i < 5000; i += 2) map.erase(&keys[i]);
        EXPECT_EQ(map.size(), 0u);
    }
}

}  // namespace
