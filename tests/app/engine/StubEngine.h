// A stand-in for the scan engine: a tiny PE32+ image whose factory hands out a C++ engine object
// of the test, so the bridge is driven through the real loader, binding, entry and factory.
#pragma once

#include <string>
#include <vector>

#include "EngineContract.h"
#include "PeBuilder.h"

struct FakeScanner : EngineScanner {
    ScanCallbacks* callbacks = nullptr;
    std::vector<std::string> events;    // calls in order: "reset", "action 2", "option 1", ...
    int32_t action = -1;
    int32_t nextResult = 0;
    std::string virusName = "Test.Virus";
    bool nullName = false;
    int32_t askedAction = -1;           // what AskAction answered on the last scan
    std::string scannedPath;
    bool accepted = false;
    // Faults of engine code on demand: the operation named here ("Init", "ScanFile", ...) calls
    // the image's faulting function, so the fault happens inside the mapped image.
    std::string faultIn;
    uint8_t* imageBase = nullptr;       // stored by the image's entry point
    void* hostHook = nullptr;           // a host function the image's code calls (ScanFile "hook")
};

struct FakeEngine : Engine {
    FakeScanner scanner;
    int32_t initResult = 1;
    std::string libFolder, backupFolder, product;
    int32_t version[4] = { 2, 5, 99, 1234 };
    int32_t date[3] = { 2026, 11, 30 };
};

// Where the image itself faults: nowhere, in its entry point, or in its factory.
enum class StubFault { None, EntryPoint, Factory };

// The image: entry point records the image base and returns 1, export ordinal 20 stores engine
// into *out, imports of "Verlink.dll" ordinals 10, 11, 12 as the real engine has them.
Bytes BuildStubEngine(FakeEngine* engine, uint16_t machine = 0x8664, StubFault fault = StubFault::None);

// Resets the fake to a fresh state with its tables set.
void InitFakeEngine(FakeEngine& engine);
