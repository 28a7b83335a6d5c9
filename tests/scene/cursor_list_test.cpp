#include "scene/cursor_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "scene/address_order.h"

namespace {

using Seen = std::vector<int*>;

// What a walk meets, with `act` done when it meets `at`.
std::vector<int*> walk(CursorList<int>& list, const int* at = nullptr,
                       const std::function<void()>& act = {}) {
    std::vector<int*> out;
    list.rewind();
    while (int* v = list.advance()) {
        out.push_back(v);
        if (v == at) act();
    }
    return out;
}

TEST(CursorList, WalkSurvivesRemovalsAndSkipsWhatIsPushed) {
    int v[5] = {0, 1, 2, 3, 4};
    CursorList<int> list;
    for (int i = 4; i >= 0; --i) list.pushFront(&v[i]);
    // The current value removed: the walk goes on with its successor.
    EXPECT_EQ(walk(list, &v[1], [&] { list.removeValue(&v[1]); }),
              (Seen{&v[0], &v[1], &v[2], &v[3], &v[4]}));
    EXPECT_EQ(list.count, 4);
    // A value ahead removed: the walk goes on after the node removed last.
    EXPECT_EQ(walk(list, &v[0], [&] { list.removeValue(&v[3]); }), (Seen{&v[0], &v[4]}));
    EXPECT_EQ(walk(list), (Seen{&v[0], &v[2], &v[4]}));
    // A value pushed during a walk is not met; of two equal values the one
    // nearer the head goes first.
    EXPECT_EQ(walk(list, &v[0], [&] { list.pushFront(&v[4]); }), (Seen{&v[0], &v[2], &v[4]}));
    list.removeValue(&v[4]);
    EXPECT_EQ(walk(list), (Seen{&v[0], &v[2], &v[4]}));
}

// The lists of the world's records find values through an index: with it or
// without, removal and the cursor must behave as the search from the head does,
// duplicates included.
TEST(CursorList, RemovalAndInsertionAtTheCursorAreTheSameWithOrWithoutAnIndex) {
    for (bool indexed : {true, false}) {
        CursorList<int> list;
        int a = 1, b = 2, c = 3, d = 4, stranger = 5;
        list.pushFront(&a);
        if (indexed) list.keepIndex();  // values already listed are indexed too
        list.pushFront(&b);
        list.pushFront(&a);
        list.pushFront(&c);  // c, a, b, a
        list.rewind();
        list.advance();
        list.advance();
        list.removeValue(&a);  // the occurrence nearer the head goes
        EXPECT_EQ(walk(list), (Seen{&c, &b, &a}));
        EXPECT_TRUE(list.placeCursorAt(&a));  // listed once again: found
        list.rewind();
        list.advance();
        list.removeValue(&b);  // listed once now: found through the index
        EXPECT_EQ(list.cursor->value, &c);
        EXPECT_EQ(list.advance(), &a);
        list.removeValue(&a);  // once listed again after the duplicate left
        EXPECT_EQ(walk(list), (Seen{&c}));

        // On a value, an insertion goes before it and the cursor stays; on the
        // tail sentinel (placed there, or where a walk ran out) it appends.
        EXPECT_TRUE(list.placeCursorAt(nullptr));
        list.insertAtCursor(&b);
        EXPECT_TRUE(list.placeCursorAt(&c));
        list.insertAtCursor(&a);
        EXPECT_EQ(list.cursor->value, &c);
        walk(list);
        list.insertAtCursor(&d);
        EXPECT_EQ(walk(list), (Seen{&a, &c, &b, &d}));
        EXPECT_EQ(list.count, 4);
        EXPECT_EQ(list.nextOf(&c), &b);
        EXPECT_EQ(list.nextOf(&d), nullptr);
        EXPECT_FALSE(list.placeCursorAt(&stranger));
    }
}

// The index grows past its own tombstones and still finds every value. Emptied
// at once, a list keeps no trace of its values: a stale index entry would hand
// out a node that is back on the free list.
TEST(CursorList, EmptyingAtOnceForgetsEveryValueAndTheListWorksOn) {
    std::vector<int> values(2700);
    for (bool indexed : {true, false}) {
        CursorList<int> list;
        if (indexed) list.keepIndex();
        for (int round = 0; round < 2700; round += 900) {  // filling the last round's tombstones
            for (int i = round; i < round + 900; ++i) list.pushFront(&values[i]);
            for (int i = round; i < round + 900; i += 3) list.removeValue(&values[i]);
        }
        std::vector<int*> kept;
        for (int i = 0; i < 2700; ++i) {
            if (i % 3 == 0) continue;
            kept.push_back(&values[i]);
            EXPECT_TRUE(list.placeCursorAt(&values[i]) && list.cursor->value == &values[i]) << i;
        }
        std::vector<int*> taken;
        list.takeAll(taken);
        std::sort(taken.begin(), taken.end());
        EXPECT_EQ(taken, kept);
        EXPECT_EQ(walk(list), Seen{});
        EXPECT_EQ(list.count, 0);
        EXPECT_EQ(list.nextOf(&values[1]), nullptr);

        for (int i = 0; i < 4; ++i) list.pushFront(&values[i]);
        list.removeValue(&values[1]);
        EXPECT_EQ(walk(list), (Seen{&values[3], &values[2], &values[0]}));
        list.clear();
        EXPECT_EQ(walk(list), Seen{});
        EXPECT_FALSE(list.placeCursorAt(&values[2]));
    }
}

TEST(AddressOrder, SortsPointersWhateverTheirSpread) {
    std::mt19937 random(7);
    // Heap blocks of mixed sizes, some freed and made again in between, two
    // addresses far from them (the stack's) and one listed twice.
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int i = 0; i < 6000; ++i) {
        blocks.emplace_back(new char[16 + random() % 300]);
        if (i % 5 == 0) blocks[random() % blocks.size()].reset(new char[40]);
    }
    char local[64];
    std::vector<char*> pointers{local + 33, local, local + 1};
    for (auto& b : blocks) pointers.push_back(b.get());
    pointers.push_back(pointers[17]);
    std::shuffle(pointers.begin(), pointers.end(), random);
    std::vector<char*> expected = pointers;
    std::sort(expected.begin(), expected.end(), [](const char* p, const char* q) {
        return reinterpret_cast<uintptr_t>(p) < reinterpret_cast<uintptr_t>(q);
    });
    sortByAddress(pointers);
    EXPECT_EQ(pointers, expected);
}

}  // namespace
