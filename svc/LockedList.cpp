// LockedList: the list of records that backs one INI document.
#include "LockedList.h"

#include <cstring>
#include <new>

LockedList::LockedList(size_t recordSize, ReleaseHook releaseHook) noexcept
    : recordSize(recordSize), releaseHook(releaseHook)
{
    InitializeCriticalSection(&lock);
}

LockedList::~LockedList()
{
    Clear();
    DeleteCriticalSection(&lock);
}

LockedListNode* LockedList::MakeNode(const void* record) noexcept
{
    LockedListNode* node = new (std::nothrow) LockedListNode { nullptr, nullptr };
    if (!node)
        return nullptr;
    unsigned char* copy = new (std::nothrow) unsigned char[recordSize];
    if (!copy) {
        delete node;
        return nullptr;
    }
    std::memcpy(copy, record, recordSize);
    node->record = copy;
    return node;
}

LockedListNode* LockedList::Append(const void* record) noexcept
{
    LockedListNode* node = MakeNode(record);
    if (!node)
        return nullptr;
    SectionLock guard(lock);
    if (tail)
        tail->next = node;
    else
        head = node;
    tail = node;
    return node;
}

LockedListNode* LockedList::InsertAfter(LockedListNode* after, const void* record) noexcept
{
    LockedListNode* node = MakeNode(record);
    if (!node)
        return nullptr;
    SectionLock guard(lock);
    if (after) {
        node->next = after->next;
        after->next = node;
    } else {
        node->next = head;
        head = node;
    }
    if (tail == after)
        tail = node;
    return node;
}

void LockedList::Clear() noexcept
{
    SectionLock guard(lock);
    LockedListNode* node = head;
    while (node) {
        LockedListNode* next = node->next;
        if (releaseHook)
            releaseHook(node->record);
        delete[] static_cast<unsigned char*>(node->record);
        delete node;
        node = next;
    }
    head = nullptr;
    tail = nullptr;
}
