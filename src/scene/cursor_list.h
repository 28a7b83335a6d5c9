#pragma once

#include <cassert>
#include <cstdint>
#include <vector>

#include "scene/pointer_map.h"

// A doubly linked list of record pointers whose single cursor lives in the list.
// Walks are rewind() then advance() until null. removeValue() leaves the cursor on
// the removed node's predecessor, so a walk survives removal of the current value
// (or of any other value) and continues after the node removed last.
template <typename T>
struct ListNode {
    T* value = nullptr;
    ListNode* next = nullptr;
    ListNode* prev = nullptr;
};

template <typename T>
class CursorList {
  public:
    using Node = ListNode<T>;

    CursorList() {
        head.next = makeNode(nullptr, nullptr, nullptr);
        head.next->prev = &head;
        tail = head.next;
        cursor = &head;
    }
    ~CursorList() { recycleChain(head.next, tail); }
    CursorList(const CursorList&) = delete;
    CursorList& operator=(const CursorList&) = delete;

    // Lists of the world's records keep an index from value to node, so that
    // removing one record costs no search of the whole list.
    void keepIndex() {
        indexed = true;
        for (Node* n = head.next; n->value != nullptr; n = n->next) note(n->value, n);
    }

    void pushFront(T* value) {
        assert(value != nullptr);
        Node* first = head.next;
        Node* node = makeNode(value, first, &head);
        head.next = node;
        first->prev = node;
        ++count;
        if (indexed) note(value, node);
    }

    void rewind() { cursor = &head; }

    // Empties the list at once, without looking at the values: the nodes go back
    // in one piece, and an index forgets everything but keeps its room.
    void clear() {
        dropNodes();
        if (indexed) index.clear();
    }

    // Empties the list as clear() does and appends its values, which must be
    // distinct, to `out` in no particular order. A list that keeps an index reads
    // it: that costs far less than a walk over nodes strewn across the heap.
    void takeAll(std::vector<T*>& out) {
        if (indexed)
            index.drain([&](const T* value) { out.push_back(const_cast<T*>(value)); });
        else
            forEach([&](T* value) { out.push_back(value); });
        dropNodes();
    }

    T* advance() {
        assert(cursor->next != nullptr && "advance past the tail sentinel");
        cursor = cursor->next;
        return cursor->value;
    }

    void removeValue(T* value) {
        if (indexed) {
            Node** at = index.find(value);
            assert(at != nullptr && "removeValue: value not in list");
            if (at == nullptr) return;
            if (*at != several()) {
                Node* node = *at;
                index.erase(value);
                unlinkNode(node);
                return;
            }
        }
        rewind();
        for (;;) {
            Node* next = cursor->next;
            // Removing a value that is not in the list is a caller's bug.
            assert(next != nullptr && next->value != nullptr && "removeValue: value not in list");
            if (next == nullptr || next->value == nullptr) return;
            cursor = next;
            if (cursor->value == value) break;
        }
        unlinkNode(cursor);
        // The value was listed more than once: the index learns where the rest are.
        if (indexed) reindex(value);
    }

    T* insertAtCursor(T* value) {
        assert(value != nullptr);
        assert(cursor != &head && "insertAtCursor needs a positioned cursor");
        Node* at = cursor;
        Node* holder = at;
        if (at->value != nullptr) {
            holder = makeNode(value, at, at->prev);
            at->prev->next = holder;
            at->prev = holder;
        } else {
            at->value = value;
            at->next = makeNode(nullptr, nullptr, at);
            tail = at->next;
        }
        ++count;
        if (indexed) note(value, holder);
        return value;
    }

    // Puts the cursor where a sorted insertion's walk would stop: on the node of
    // `value`, or on the tail sentinel for null. False when the value is not
    // listed (or listed twice), and the cursor has not moved.
    bool placeCursorAt(const T* value) {
        if (value == nullptr) {
            cursor = tail;
            return true;
        }
        Node* node = nodeOf(value);
        if (node == nullptr) return false;
        cursor = node;
        return true;
    }

    // The value after `value` in the list (null at the end), or null if not listed.
    T* nextOf(const T* value) const {
        const Node* node = nodeOf(value);
        return node != nullptr ? node->next->value : nullptr;
    }

    // Read-only walk with a cursor of the caller's own; the list's cursor stays put.
    template <typename F>
    void forEach(F&& f) const {
        for (const Node* n = head.next; n->value != nullptr; n = n->next) f(n->value);
    }

    const Node* first() const { return head.next; }
    bool contains(const T* value) const {
        for (const Node* n = head.next; n->value != nullptr; n = n->next)
            if (n->value == value) return true;
        return false;
    }

    Node head;
    Node* cursor = nullptr;
    int32_t count = 0;

  private:
    Node* nodeOf(const T* value) const {
        if (indexed) {
            Node* const* at = index.find(value);
            return at != nullptr && *at != several() ? *at : nullptr;
        }
        for (Node* n = head.next; n->value != nullptr; n = n->next)
            if (n->value == value) return n;
        return nullptr;
    }

    void dropNodes() {
        if (head.next != tail) {
            Node* last = tail->prev;
            last->next = nullptr;
            recycleChain(head.next, last);
            head.next = tail;
            tail->prev = &head;
        }
        count = 0;
        cursor = &head;
    }

    void unlinkNode(Node* node) {
        node->prev->next = node->next;
        node->next->prev = node->prev;
        --count;
        cursor = node->prev;
        recycle(node);
    }

    // A value listed more than once maps to several(): removal then searches as
    // without index.
    // Nodes come from and go back to a free list shared by the lists of one
    // record kind: a world cleared and filled again costs no allocator calls.
    static Node*& freeNodes() {
        static Node* first = nullptr;
        return first;
    }
    // Under AddressSanitizer nodes are freed for real, so that a stale node is caught.
#if defined(__SANITIZE_ADDRESS__)
    static Node* makeNode(T* value, Node* next, Node* prev) {
        return new Node{value, next, prev};
    }
    static void recycle(Node* node) {
        delete node;
    }
    // The nodes from `first` along next to `last`, whose next is null.
    static void recycleChain(Node* first, Node* last) {
        (void)last;
        while (first != nullptr) {
            Node* next = first->next;
            delete first;
            first = next;
        }
    }
#else
    static Node* makeNode(T* value, Node* next, Node* prev) {
        Node* node = freeNodes();
        if (node == nullptr) return new Node{value, next, prev};
        freeNodes() = node->next;
        *node = Node{value, next, prev};
        return node;
    }
    static void recycle(Node* node) {
        node->value = nullptr;
        node->prev = nullptr;
        node->next = freeNodes();
        freeNodes() = node;
    }
    // A chain is already linked through next, so it joins the free list whole;
    // makeNode sets every field of a node it hands out.
    static void recycleChain(Node* first, Node* last) {
        last->next = freeNodes();
        freeNodes() = first;
    }
#endif

    static Node* several() {
        return reinterpret_cast<Node*>(uintptr_t{1});
    }
    void note(const T* value, Node* node) {
        Node*& at = index[value];
        at = at == nullptr ? node : several();
    }

    void reindex(const T* value) {
        index.erase(value);
        for (Node* n = head.next; n->value != nullptr; n = n->next)
            if (n->value == value) note(value, n);
    }

    Node* tail = nullptr;
    bool indexed = false;
    PointerMap<T, Node*> index;
};
