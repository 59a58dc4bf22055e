// FileSystemService: opens files for the engine by 8-bit path and hands out HostFile objects.
#pragma once

#include "EngineContract.h"

namespace orv {

// The engine sees only the table word of the contract (::FileSystemService); the service has no
// state of its own and lives by value inside the engine host.
class FileSystemService final : public ::FileSystemService {
public:
    FileSystemService() noexcept;

    ::HostFile* OpenFile(const char* path, int32_t readOnly) noexcept;
    ::HostFile* CreateNewFile(const char* path) noexcept;
    ::HostFile* CreateTempFile() noexcept;
    int32_t Exists(const char* path) noexcept;
    void Destroy(uint32_t flags) noexcept {}
};

}  // namespace orv
