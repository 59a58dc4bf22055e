// StubEngine: the fake engine's tables and the stub image around its factory.
#include "StubEngine.h"

#include <cstring>

namespace {

FakeEngine* Owner(Engine* self) { return static_cast<FakeEngine*>(self); }
FakeScanner* Scanner(EngineScanner* self) { return static_cast<FakeScanner*>(self); }

constexpr uint32_t ENTRY_RVA = 0x1000;
constexpr uint32_t FACTORY_RVA = 0x1020;
constexpr uint32_t FAULT_RVA = 0x1040;
constexpr uint32_t HOOK_RVA = 0x1060;

// The operation op faults inside the image when the test asked for it.
void FaultIfAsked(FakeScanner* scanner, const char* op)
{
    if (scanner->faultIn == op && scanner->imageBase != nullptr)
        reinterpret_cast<void(ENGINE_CALL*)()>(scanner->imageBase + FAULT_RVA)();
}

void Put(Bytes& code, uint32_t at, std::initializer_list<uint8_t> bytes)
{
    std::copy(bytes.begin(), bytes.end(), code.begin() + at);
}

void PutAddress(Bytes& code, uint32_t at, const void* address)
{
    uint64_t value = reinterpret_cast<uintptr_t>(address);
    std::memcpy(code.data() + at, &value, 8);
}

int32_t ENGINE_CALL EngineReserved(Engine*) { return 0; }
int32_t ENGINE_CALL EngineInit(Engine* self, const char* lib, const char* backup, const char* product)
{
    FakeEngine* e = Owner(self);
    e->libFolder = lib;
    e->backupFolder = backup;
    e->product = product;
    e->scanner.events.push_back("init");
    FaultIfAsked(&e->scanner, "Init");
    return e->initResult;
}
void ENGINE_CALL EngineShutdown(Engine* self) { Owner(self)->scanner.events.push_back("shutdown"); }
int32_t ENGINE_CALL EngineGetVersion(Engine* self, int32_t* major, int32_t* minor, int32_t* unused, int32_t* build)
{
    FakeEngine* e = Owner(self);
    FaultIfAsked(&e->scanner, "GetVersion");
    *major = e->version[0];
    *minor = e->version[1];
    *unused = e->version[2];
    *build = e->version[3];
    return 0;
}
int32_t ENGINE_CALL EngineGetDate(Engine* self, int32_t* year, int32_t* month, int32_t* day)
{
    FakeEngine* e = Owner(self);
    *year = e->date[0];
    *month = e->date[1];
    *day = e->date[2];
    return 0;
}
EngineScanner* ENGINE_CALL EngineGetScanner(Engine* self)
{
    Owner(self)->scanner.events.push_back("getscanner");
    FaultIfAsked(&Owner(self)->scanner, "GetScanner");
    return &Owner(self)->scanner;
}

int32_t ENGINE_CALL ScannerReserved(EngineScanner*) { return 0; }
void ENGINE_CALL ScannerRelease(EngineScanner* self) { Scanner(self)->events.push_back("release"); }
void ENGINE_CALL ScannerSetOption(EngineScanner* self, int32_t keep)
{
    Scanner(self)->events.push_back("option " + std::to_string(keep));
}
void ENGINE_CALL ScannerSetAction(EngineScanner* self, int32_t zero, int32_t action)
{
    Scanner(self)->action = action;
    Scanner(self)->events.push_back("action " + std::to_string(zero) + " " + std::to_string(action));
    FaultIfAsked(Scanner(self), "SetAction");
}
void ENGINE_CALL ScannerReset(EngineScanner* self) { Scanner(self)->events.push_back("reset"); }
void ENGINE_CALL ScannerSetCallbacks(EngineScanner* self, ScanCallbacks* callbacks)
{
    Scanner(self)->callbacks = callbacks;
    Scanner(self)->events.push_back("callbacks");
    FaultIfAsked(Scanner(self), "SetCallbacks");
}
// Like the real scanner: the file type is asked first, the user only for a finding under action 1.
int32_t ENGINE_CALL ScannerScanFile(EngineScanner* self, const char* path)
{
    FakeScanner* s = Scanner(self);
    s->scannedPath = path;
    s->askedAction = -1;
    FaultIfAsked(s, "ScanFile");
    if (s->faultIn == "hook")
        reinterpret_cast<void(ENGINE_CALL*)(void**)>(s->imageBase + HOOK_RVA)(&s->hostHook);
    s->accepted = s->callbacks->table->AcceptFile(s->callbacks, path) != 0;
    if (!s->accepted || s->nextResult == 0)
        return 0;
    if (s->action == ENGINE_ACTION_ASK)
        s->callbacks->table->AskAction(s->callbacks, path, s->virusName.c_str(), &s->askedAction);
    return s->nextResult;
}
const char* ENGINE_CALL ScannerGetVirusName(EngineScanner* self)
{
    return Scanner(self)->nullName ? nullptr : Scanner(self)->virusName.c_str();
}

const EngineTable FAKE_ENGINE_TABLE = {
    EngineReserved, EngineReserved, EngineInit, EngineShutdown, EngineGetVersion, EngineGetDate, EngineGetScanner,
};
const EngineScannerTable FAKE_SCANNER_TABLE = {
    ScannerReserved, ScannerReserved, ScannerRelease, ScannerSetOption, ScannerReserved, ScannerSetAction,
    ScannerReset, ScannerSetCallbacks, ScannerScanFile, ScannerReserved, ScannerReserved, ScannerReserved,
    ScannerReserved, ScannerGetVirusName,
};

}  // namespace

void InitFakeEngine(FakeEngine& engine)
{
    engine = FakeEngine();
    engine.table = &FAKE_ENGINE_TABLE;
    engine.scanner.table = &FAKE_SCANNER_TABLE;
}

Bytes BuildStubEngine(FakeEngine* engine, uint16_t machine, StubFault fault)
{
    Bytes code(0x80, 0xCC);
    // entry: mov rax, &imageBase ; mov [rax], rcx ; mov eax, 1 ; ret
    Put(code, ENTRY_RVA - 0x1000, { 0x48, 0xB8 });
    PutAddress(code, ENTRY_RVA - 0x1000 + 2, &engine->scanner.imageBase);
    Put(code, ENTRY_RVA - 0x1000 + 10, { 0x48, 0x89, 0x08, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xC3 });
    // factory (ms_abi: out in rcx): mov rax, engine ; mov [rcx], rax ; ret
    Put(code, FACTORY_RVA - 0x1000, { 0x48, 0xB8 });
    PutAddress(code, FACTORY_RVA - 0x1000 + 2, static_cast<Engine*>(engine));
    Put(code, FACTORY_RVA - 0x1000 + 10, { 0x48, 0x89, 0x01, 0xC3 });
    // fault: mov dword [0x10], 42
    Put(code, FAULT_RVA - 0x1000, { 0xC7, 0x04, 0x25, 0x10, 0x00, 0x00, 0x00, 0x2A, 0x00, 0x00, 0x00, 0xC3 });
    // hook: sub rsp, 0x28 ; call [rcx] ; add rsp, 0x28 ; ret
    Put(code, HOOK_RVA - 0x1000, { 0x48, 0x83, 0xEC, 0x28, 0xFF, 0x11, 0x48, 0x83, 0xC4, 0x28, 0xC3 });
    std::vector<uint32_t> functions(20, 0);
    functions[19] = fault == StubFault::Factory ? FAULT_RVA : FACTORY_RVA;
    PeBuilder pe(true);
    pe.SetMachine(machine).SetImageBase(0x180000000ull).AddSection(0x1000, code);
    pe.SetEntryPoint(fault == StubFault::EntryPoint ? FAULT_RVA : ENTRY_RVA);
    pe.AddImport("Verlink.dll", { ByOrdinal(10), ByOrdinal(11), ByOrdinal(12) }).SetExports(1, functions, {});
    return pe.Build();
}
