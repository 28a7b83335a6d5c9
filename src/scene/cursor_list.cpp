#include "scene/cursor_list.h"

#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define PIMO_PLAIN_NODES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PIMO_PLAIN_NODES 1
#endif
#endif

namespace node_pool {

#ifdef PIMO_PLAIN_NODES

// Under the address sanitizer every node is its own allocation, so a node used
// after it was freed is still caught.
void* take() {
    return ::operator new(kBlockSize);
}
void give(void* block) noexcept {
    ::operator delete(block);
}

#else

namespace {

struct FreeBlock {
    FreeBlock* next;
};

constexpr std::size_t kBlocksPerSlab = 4096;
FreeBlock* freeList = nullptr;
char* slabCursor = nullptr;
char* slabEnd = nullptr;

}  // namespace

void* take() {
    if (freeList != nullptr) {
        FreeBlock* block = freeList;
        freeList = block->next;
        return block;
    }
    if (slabCursor == slabEnd) {
        // Slabs are never returned: lists live as long as the game.
        slabCursor = static_cast<char*>(::operator new(kBlockSize* kBlocksPerSlab));
        slabEnd = slabCursor + kBlockSize * kBlocksPerSlab;
    }
    void* block = slabCursor;
    slabCursor += kBlockSize;
    return block;
}

void give(void* block) noexcept {
    if (block == nullptr) return;
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = freeList;
    freeList = freed;
}

#endif

}  // namespace node_pool
