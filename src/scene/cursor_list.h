#pragma once

#include <cassert>
#include <cstdint>

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
        head.next = new Node{};
        head.next->prev = &head;
        cursor = &head;
    }
    ~CursorList() {
        Node* n = head.next;
        while (n) {
            Node* next = n->next;
            delete n;
            n = next;
        }
    }
    CursorList(const CursorList&) = delete;
    CursorList& operator=(const CursorList&) = delete;

    void pushFront(T* value) {
        assert(value != nullptr);
        Node* first = head.next;
        Node* node = new Node{value, first, &head};
        head.next = node;
        first->prev = node;
        ++count;
    }

    void rewind() { cursor = &head; }

    T* advance() {
        assert(cursor->next != nullptr && "advance past the tail sentinel");
        cursor = cursor->next;
        return cursor->value;
    }

    void removeValue(T* value) {
        rewind();
        for (;;) {
            Node* next = cursor->next;
            // Removing a value that is not in the list is a caller's bug.
            assert(next != nullptr && next->value != nullptr && "removeValue: value not in list");
            if (next == nullptr || next->value == nullptr) return;
            cursor = next;
            if (cursor->value == value) break;
        }
        Node* node = cursor;
        node->prev->next = node->next;
        node->next->prev = node->prev;
        --count;
        cursor = node->prev;
        delete node;
    }

    T* insertAtCursor(T* value) {
        assert(value != nullptr);
        assert(cursor != &head && "insertAtCursor needs a positioned cursor");
        Node* at = cursor;
        if (at->value != nullptr) {
            Node* node = new Node{value, at, at->prev};
            at->prev->next = node;
            at->prev = node;
        } else {
            at->value = value;
            at->next = new Node{nullptr, nullptr, at};
        }
        ++count;
        return value;
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
};
