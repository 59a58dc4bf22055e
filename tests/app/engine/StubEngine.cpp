// StubEngine: the fake engine's tables and the stub image around its factory.
#include "StubEngine.h"

#include <cstring>

namespace {

FakeEngine* Owner(Engine* self) { return static_cast<FakeEngine*>(self); }
FakeScanner* Scanner(EngineScanner* self) { return static_cast<FakeScanner*>(self); }

int32_t ENGINE_CALL EngineReserved(Engine*) { return 0; }
int32_t ENGINE_CALL EngineInit(Engine* self, const char* lib, const char* backup, const char* product)
{
    FakeEngine* e = Owner(self);
    e->libFolder = lib;
    e->backupFolder = backup;
    e->product = product;
    e->scanner.events.push_back("init");
    return e->initResult;
}
void ENGINE_CALL EngineShutdown(Engine* self) { Owner(self)->scanner.events.push_back("shutdown"); }
int32_t ENGINE_CALL EngineGetVersion(Engine* self, int32_t* major, int32_t* minor, int32_t* unused, int32_t* build)
{
    FakeEngine* e = Owner(self);
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
}
void ENGINE_CALL ScannerReset(EngineScanner* self) { Scanner(self)->events.push_back("reset"); }
void ENGINE_CALL ScannerSetCallbacks(EngineScanner* self, ScanCallbacks* callbacks)
{
    Scanner(self)->callbacks = callbacks;
    Scanner(self)->events.push_back("callbacks");
}
// Like the real scanner: the file type is asked first, the user only for a finding under action 1.
int32_t ENGINE_CALL ScannerScanFile(EngineScanner* self, const char* path)
{
    FakeScanner* s = Scanner(self);
    s->scannedPath = path;
    s->askedAction = -1;
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

Bytes BuildStubEngine(FakeEngine* engine, uint16_t machine)
{
    // 0x1000: mov eax, 1 ; ret                              (the entry point)
    // 0x1010: mov rax, imm64 ; mov [rcx], rax ; ret         (the factory, ms_abi: out in rcx)
    Bytes code(0x20, 0xCC);
    const uint8_t entry[] = { 0xB8, 0x01, 0x00, 0x00, 0x00, 0xC3 };
    std::memcpy(code.data(), entry, sizeof entry);
    uint64_t address = reinterpret_cast<uintptr_t>(static_cast<Engine*>(engine));
    code[0x10] = 0x48;
    code[0x11] = 0xB8;
    std::memcpy(code.data() + 0x12, &address, 8);
    const uint8_t store[] = { 0x48, 0x89, 0x01, 0xC3 };
    std::memcpy(code.data() + 0x1A, store, sizeof store);
    std::vector<uint32_t> functions(20, 0);
    functions[19] = 0x1010;
    PeBuilder pe(true);
    pe.SetMachine(machine).SetImageBase(0x180000000ull).AddSection(0x1000, code).SetEntryPoint(0x1000);
    pe.AddImport("Verlink.dll", { ByOrdinal(10), ByOrdinal(11), ByOrdinal(12) }).SetExports(1, functions, {});
    return pe.Build();
}
