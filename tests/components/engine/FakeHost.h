// Host services for driving the engine object in-process: the C heap with a live-block count, real
// files through stdio, a fixed local time, and a RunGuarded that just calls through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "EngineContract.h"
#include "image/HostServices.h"

struct FakeHost {
    FakeHost();
    ~FakeHost();

    template <typename Table>
    struct Link {
        Table iface;
        FakeHost* host;
    };
    Link<TrackedAllocator> allocator;
    Link<FileSystemService> files;
    Link<SystemService> system;
    orv::HostServices Services() { return { &allocator.iface, &files.iface, &system.iface }; }

    int liveBlocks = 0;
    int openFiles = 0;
    int guardedCalls = 0;
    EngineDate now {};
    uint32_t failWritesAfter = UINT32_MAX;  // bytes the next created files may take in all
    bool refuseRemoval = false;             // opened files marked for removal or renaming stay
    bool cutGuardedCalls = false;           // RunGuarded returns without finishing, as after a fault
    std::vector<std::string> opened;        // paths given to OpenFile
};

struct FakeCallbacks {
    FakeCallbacks();
    struct {
        ScanCallbacks iface;
        FakeCallbacks* owner;
    } link;
    ScanCallbacks* Interface() { return &link.iface; }
    int32_t answer = 0;                    // what AskAction stores
    bool accept = true;
    std::vector<std::string> asked;        // "first|second" per AskAction
    std::vector<std::string> offered;      // paths given to AcceptFile
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
