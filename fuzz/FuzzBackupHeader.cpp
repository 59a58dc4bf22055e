// Fuzz target: arbitrary bytes as a file in the backup folder, listed and then restored.
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <wce/DeviceProfile.h>

#include "svc/include/OrvMobileEngCE.h"

namespace {

char rootFolder[] = "/tmp/orv-fuzz-backup-XXXXXX";

void RemoveDeviceRoot()
{
    std::error_code ignored;
    std::filesystem::remove_all(rootFolder, ignored);
}

std::string DeviceRoot()
{
    static std::string root = [] {
        std::string made = mkdtemp(rootFolder);
        setenv("WCE_DEVICE_ROOT", made.c_str(), 1);
        wce::ReloadDeviceProfile();
        std::filesystem::create_directories(made + "/App/Orv-Back.Vir");
        std::atexit(RemoveDeviceRoot);
        return made;
    }();
    return root;
}

// Every listed record has terminated texts; each is restored to one fixed path (the header's own
// path could name any file of the host's device root).
class RestoringSink : public BackupSink {
public:
    explicit RestoringSink(BackupStore* store) : store(store) {}
    int32_t Reserved0() noexcept override { return 0; }
    int32_t OnBackup(int32_t kind, const BackupRecord* record) noexcept override
    {
        if (!std::memchr(record->sourcePath, 0, sizeof record->sourcePath)
            || !std::memchr(record->virusName, 0, sizeof record->virusName))
            __builtin_trap();
        pending = *record;
        std::strcpy(pending.sourcePath, "\\App\\restored.bin");
        listed = true;
        return 0;
    }
    BackupStore* store;
    BackupRecord pending {};
    bool listed = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string backup = DeviceRoot() + "/App/Orv-Back.Vir/fuzz.bak";
    std::ofstream(backup, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    ServiceContext* context = CreateServiceContext();
    context->SetAppFolder(u"\\App\\");
    BackupStore* store = CreateBackupStore(context);
    RestoringSink sink(store);
    store->SetSink(&sink, 1);
    store->Execute(BACKUP_LIST, nullptr);
    // A failed restore must keep the backup; a successful one removes it and restores at most
    // what the file held.
    if (sink.listed) {
        int32_t result = store->Execute(BACKUP_RESTORE, &sink.pending);
        std::error_code error;
        bool kept = std::filesystem::exists(backup, error);
        if ((result == 0) == kept)
            __builtin_trap();
        if (result == 0 && std::filesystem::file_size(DeviceRoot() + "/App/restored.bin", error) > size)
            __builtin_trap();
    }
    store->Release();
    context->Release();
    std::error_code ignored;
    std::filesystem::remove(DeviceRoot() + "/App/restored.bin", ignored);
    std::filesystem::remove(backup, ignored);
    return 0;
}
