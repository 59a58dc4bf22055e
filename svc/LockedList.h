// LockedList: a singly linked list of fixed-size records, each operation under a critical section.
#pragma once

#include <windows.h>

// Holds a critical section for one scope; the library's two locks (an INI line list, the log) use it.
class SectionLock {
public:
    explicit SectionLock(CRITICAL_SECTION& section) noexcept : section(section) { EnterCriticalSection(&section); }
    ~SectionLock() { LeaveCriticalSection(&section); }
    SectionLock(const SectionLock&) = delete;
    SectionLock& operator=(const SectionLock&) = delete;

private:
    CRITICAL_SECTION& section;
};

struct LockedListNode {
    LockedListNode* next;
    void* record;           // heap copy of the record handed to Append or InsertAfter
};

class LockedList {
public:
    // Called on each record before it is freed; frees what the record owns.
    typedef void (*ReleaseHook)(void* record);

    LockedList(size_t recordSize, ReleaseHook releaseHook) noexcept;
    ~LockedList();
    LockedList(const LockedList&) = delete;
    LockedList& operator=(const LockedList&) = delete;

    // Both copy the record into a new node; null when memory is short (the caller keeps what the
    // record owns).
    LockedListNode* Append(const void* record) noexcept;
    LockedListNode* InsertAfter(LockedListNode* node, const void* record) noexcept;   // null node: at the head
    void Clear() noexcept;

    // Walking is left unlocked: a list belongs to the one call that builds, walks and frees it.
    LockedListNode* Head() const noexcept { return head; }

private:
    LockedListNode* MakeNode(const void* record) noexcept;

    CRITICAL_SECTION lock;
    size_t recordSize;
    ReleaseHook releaseHook;
    LockedListNode* head = nullptr;   // guarded by lock
    LockedListNode* tail = nullptr;   // guarded by lock
};
