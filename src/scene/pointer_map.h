#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// A map from record addresses to small values, open addressing with linear
// probing: one array, no allocation per entry, which is what adding and removing
// the records of a whole world at a time asks for.
template <typename K, typename V>
class PointerMap {
  public:
    V* find(const K* key) {
        if (slots.empty()) return nullptr;
        for (std::size_t i = home(key);; i = (i + 1) & mask()) {
            Slot& s = slots[i];
            if (s.key == key) return &s.value;
            if (s.key == nullptr) return nullptr;
        }
    }
    const V* find(const K* key) const { return const_cast<PointerMap*>(this)->find(key); }

    // The value for the key, default-made if the key is new.
    V& operator[](const K* key) {
        if (V* v = find(key)) return *v;
        if (4 * (used + 1) > 3 * slots.size()) grow();
        std::size_t i = home(key);
        while (slots[i].key != nullptr && slots[i].key != tombstone()) i = (i + 1) & mask();
        if (slots[i].key == nullptr) ++used;
        slots[i].key = key;
        slots[i].value = V{};
        ++live;
        return slots[i].value;
    }

    void erase(const K* key) {
        if (slots.empty()) return;
        for (std::size_t i = home(key);; i = (i + 1) & mask()) {
            Slot& s = slots[i];
            if (s.key == nullptr) return;
            if (s.key == key) {
                s.key = tombstone();
                s.value = V{};
                --live;
                return;
            }
        }
    }

    // Hands every key to `f`, in the table's order, and forgets it; the room stays
    // for the next world's records.
    template <typename F>
    void drain(F&& f) {
        for (Slot& s : slots) {
            if (s.key == nullptr) continue;
            if (s.key != tombstone()) f(s.key);
            s.key = nullptr;
            s.value = V{};
        }
        used = live = 0;
    }
    void clear() {
        drain([](const K*) {});
    }

    std::size_t size() const { return live; }

  private:
    struct Slot {
        const K* key = nullptr;
        V value{};
    };
    static const K* tombstone() { return reinterpret_cast<const K*>(uintptr_t{1}); }
    std::size_t mask() const { return slots.size() - 1; }
    std::size_t home(const K* key) const {
        // Fibonacci hashing of the address; heap records are 16-byte aligned.
        const uint64_t h =
            (static_cast<uint64_t>(reinterpret_cast<uintptr_t>(key)) >> 4) * 0x9e3779b97f4a7c15ull;
        return static_cast<std::size_t>(h >> 20) & mask();
    }
    void grow() {
        std::vector<Slot> old = std::move(slots);
        std::size_t size = 64;
        while (2 * live + 2 > size) size *= 2;  // at most half full after growing
        slots.clear();
        slots.resize(size);
        used = live = 0;
        for (Slot& s : old) {
            if (s.key == nullptr || s.key == tombstone()) continue;
            std::size_t i = home(s.key);
            while (slots[i].key != nullptr) i = (i + 1) & mask();
            slots[i].key = s.key;
            slots[i].value = std::move(s.value);
            ++used;
            ++live;
        }
    }

    std::vector<Slot> slots;
    std::size_t used = 0;  // live entries and tombstones
    std::size_t live = 0;
};
