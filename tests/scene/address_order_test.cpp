#include "scene/address_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace {

std::vector<char*> inAddressOrder(std::vector<char*> pointers) {
    std::sort(pointers.begin(), pointers.end(), [](const char* p, const char* q) {
        return reinterpret_cast<uintptr_t>(p) < reinterpret_cast<uintptr_t>(q);
    });
    return pointers;
}

TEST(AddressOrder, SortsPointersWhateverTheirSpread) {
    std::mt19937 random(7);
    // Like the records of a world: heap blocks of mixed sizes, some freed and
    // made again in between.
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int i = 0; i < 6000; ++i) {
        blocks.emplace_back(new char[16 + random() % 300]);
        if (i % 5 == 0) blocks[random() % blocks.size()].reset(new char[40]);
    }
    std::vector<char*> pointers;
    for (auto& b : blocks) pointers.push_back(b.get());
    // Addresses far from the heap's (the stack's), and one listed twice.
    char local[64];
    pointers.push_back(local);
    pointers.push_back(local + 33);
    pointers.push_back(pointers[17]);
    std::shuffle(pointers.begin(), pointers.end(), random);
    const std::vector<char*> expected = inAddressOrder(pointers);
    sortByAddress(pointers);
    EXPECT_EQ(pointers, expected);

    // Neighbours a byte apart, given in descending order; one pointer; none; all equal.
    std::vector<char*> close;
    for (int i = 63; i >= 0; --i) close.push_back(local + i);
    sortByAddress(close);
    EXPECT_EQ(close, inAddressOrder(close));
    EXPECT_EQ(close.front(), local);
    for (std::vector<char*> few :
         {std::vector<char*>{local}, std::vector<char*>{}, std::vector<char*>(5, local + 3)}) {
        const std::vector<char*> before = few;
        sortByAddress(few);
        EXPECT_EQ(few, before);
    }
}

}  // namespace
