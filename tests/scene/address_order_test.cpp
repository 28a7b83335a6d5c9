#include "scene/address_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace {

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

    std::vector<char*> same(5, local);
    sortByAddress(same);
    EXPECT_EQ(same, std::vector<char*>(5, local));
}

}  // namespace
