// Kernel objects that can be waited for: threads, events and semaphores.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>

#include "HandleTable.h"

namespace wce {

// Every wait and every change of a signal state happens under one process-wide lock; a change wakes
// all waiters, who check their objects again. Simple, and cheap for the few threads a program runs.
std::mutex& WaitLock();
void WakeWaiters();   // call with WaitLock held

class WaitableObject : public KernelObject {
public:
    using KernelObject::KernelObject;
    virtual bool IsSignaled() const = 0;   // WaitLock held
    virtual void Consume() {}              // WaitLock held; a satisfied wait takes the signal
};

// A named object also holds its name on the device for as long as it lives.
class NamedObject : public WaitableObject {
public:
    using WaitableObject::WaitableObject;
    ~NamedObject() override;
    std::u16string name;
    int presenceFd = -1;   // the device-wide hold on the name (a lock file), or -1
};

class EventObject : public NamedObject {
public:
    EventObject(bool manualReset, bool signaled)
        : NamedObject(ObjectType::Event), manualReset(manualReset), signaled(signaled) {}
    bool IsSignaled() const override { return signaled; }
    void Consume() override
    {
        if (!manualReset)
            signaled = false;
    }
    const bool manualReset;
    bool signaled;   // WaitLock
};

class SemaphoreObject : public NamedObject {
public:
    SemaphoreObject(LONG count, LONG maximum) : NamedObject(ObjectType::Semaphore), count(count), maximum(maximum) {}
    bool IsSignaled() const override { return count > 0; }
    void Consume() override { --count; }
    LONG count;   // WaitLock
    const LONG maximum;
};

// The object registered under name in this process (one reference added), or the candidate after
// registering it and taking the device-wide hold on the name. existed tells whether the name was
// already in use in this or another process of the device. Null when the name belongs to an object
// of another type (ERROR_INVALID_HANDLE); the candidate is released whenever it is not returned.
NamedObject* OpenOrCreateNamed(const WCHAR* name, NamedObject* candidate, bool& existed);

}  // namespace wce
