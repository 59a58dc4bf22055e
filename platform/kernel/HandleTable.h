// The process-wide handle table and the kernel objects that handles refer to.
#pragma once

#include <atomic>

#include <wce/WinTypes.h>

namespace wce {

enum class ObjectType { File, Find, Thread, Event, Semaphore, Process };

// Base of every object a HANDLE can name. The table holds one reference per handle; a call that
// uses a handle holds another for its duration, so CloseHandle on one thread never frees an object
// another thread is still inside.
class KernelObject {
public:
    explicit KernelObject(ObjectType type) : type(type) {}
    virtual ~KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;

    void AddRef() { refs.fetch_add(1, std::memory_order_relaxed); }
    // Adds a reference unless the object is already being destroyed (for lookups by name, which
    // may meet an object whose last handle is closing on another thread).
    bool TryAddRef()
    {
        int count = refs.load(std::memory_order_relaxed);
        while (count > 0) {
            if (refs.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel))
                return true;
        }
        return false;
    }
    void Release()
    {
        if (refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }
    const ObjectType type;

private:
    std::atomic<int> refs { 1 };
};

// Adds the object to the table, taking over the caller's reference. Null when the table is full
// (ERROR_TOO_MANY_OPEN_FILES is set and the reference released).
HANDLE InsertHandle(KernelObject* object);

// The object behind a handle with one reference added, or null with ERROR_INVALID_HANDLE when the
// handle is unknown, closed, or names an object of another type.
KernelObject* ReferenceHandle(HANDLE handle, ObjectType type);

// The object behind a handle of any type, with one reference added; null with ERROR_INVALID_HANDLE.
KernelObject* ReferenceAnyHandle(HANDLE handle);

// Holds one reference for the duration of a call.
template <class T>
class ObjectRef {
public:
    ObjectRef(HANDLE handle, ObjectType type) : object(static_cast<T*>(ReferenceHandle(handle, type))) {}
    explicit ObjectRef(T* held) : object(held) {}
    ~ObjectRef()
    {
        if (object != nullptr)
            object->Release();
    }
    ObjectRef(const ObjectRef&) = delete;
    ObjectRef& operator=(const ObjectRef&) = delete;
    T* operator->() const { return object; }
    T* get() const { return object; }
    explicit operator bool() const { return object != nullptr; }

private:
    T* object;
};

}  // namespace wce
