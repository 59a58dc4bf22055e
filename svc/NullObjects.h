// NullService and NullObject: the placeholder objects of factories 5 and 6.
#pragma once

#include <atomic>

#include "include/OrvMobileEngCE.h"

// The five-slot table that sits beside the NullService's own; nothing calls it, every slot is 0.
class NullServiceAux {
public:
    virtual int32_t Slot0() noexcept { return 0; }
    virtual int32_t Slot1() noexcept { return 0; }
    virtual int32_t Slot2() noexcept { return 0; }
    virtual int32_t Slot3() noexcept { return 0; }
    virtual int32_t Slot4() noexcept { return 0; }
};

class NullServiceImpl final : public NullService {
public:
    int32_t AddRef() noexcept override { return ++refCount; }
    int32_t Release() noexcept override;
    int32_t Free() noexcept override;
    int32_t Reserved3() noexcept override { return 0; }
    int32_t Reserved4() noexcept override { return 0; }
    int32_t Reserved5() noexcept override { return 0; }
    int32_t Reserved6() noexcept override { return 0; }
    int32_t Init() noexcept override { return 0; }
    int32_t Reserved8() noexcept override { return 0; }
    int32_t Reserved9() noexcept override { return 0; }
    int32_t Reserved10() noexcept override { return 0; }
    int32_t Reserved11() noexcept override { return 0; }
    int32_t Reserved12() noexcept override { return 0; }
    void Destroy(uint32_t flags) noexcept override;

private:
    NullServiceAux aux;
    std::atomic<int32_t> refCount { 1 };   // any thread may take or drop a reference
};

class NullObjectImpl final : public NullObject {
public:
    int32_t Reserved0() noexcept override { return 0; }
    int32_t Reserved1() noexcept override { return 0; }
    NullObject* Self() noexcept override { return this; }
    int32_t Reserved3() noexcept override { return 0; }
    int32_t Reserved4() noexcept override { return 0; }
    void Destroy(uint32_t flags) noexcept override;
    int32_t Init() noexcept override { return 0; }
};
