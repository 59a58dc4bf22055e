// Named events and semaphores: one registry per process and a device-wide hold on each name.
//
// A name is in use on the device while some process holds a shared flock on the name's lock file in
// a runtime folder of that device root (/tmp/wce-<uid>-<hash of the root>/). The kernel drops the
// lock when its holder exits or is killed, so a crashed program never leaves a stale name behind.
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <windows.h>
#include <wce/DeviceProfile.h>

#include "HostPath.h"
#include "SyncObjects.h"

namespace wce {
namespace {

constexpr size_t MAX_NAME = MAX_PATH;

std::mutex registryLock;
std::map<std::u16string, NamedObject*> registry;   // registryLock; no references held

uint64_t Fnv1a(const void* data, size_t size)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    uint64_t hash = 14695981039346656037ULL;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ULL;
    return hash;
}

std::string Hex(uint64_t value)
{
    static const char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4)
        text[size_t(i)] = digits[value & 0xF];
    return text;
}

int OpenLockFile(const std::string& path)
{
    return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

// Takes a shared hold on the name's lock file; existed tells whether another process held it.
// While the guard is held no other process is between its probe and its hold, so the probe (an
// exclusive lock that succeeds only when nobody holds the name) cannot race with another creator.
// Returns the lock file's descriptor, or -1 when the runtime folder is unusable: the name then
// only counts within this process.
int HoldName(const std::u16string& name, bool& existed)
{
    existed = false;
    std::string folder = wce::DeviceRuntimeFolder();
    if (folder.empty())
        return -1;
    int guard = OpenLockFile(folder + "/guard.lock");
    int fd = OpenLockFile(folder + "/name-" + Hex(Fnv1a(name.data(), name.size() * sizeof(char16_t))) + ".lock");
    if (guard < 0 || fd < 0 || flock(guard, LOCK_EX) != 0) {
        if (guard >= 0)
            close(guard);
        if (fd >= 0)
            close(fd);
        return -1;
    }
    existed = flock(fd, LOCK_EX | LOCK_NB) != 0;
    flock(fd, LOCK_SH);   // converts our exclusive probe, or joins the other holders
    close(guard);         // closing releases the guard
    return fd;
}

}  // namespace

NamedObject::~NamedObject()
{
    if (!name.empty()) {
        std::lock_guard<std::mutex> guard(registryLock);
        auto found = registry.find(name);
        if (found != registry.end() && found->second == this)
            registry.erase(found);
    }
    if (presenceFd >= 0)
        close(presenceFd);   // drops the device-wide hold
}

NamedObject* OpenOrCreateNamed(const WCHAR* name, NamedObject* candidate, bool& existed)
{
    std::u16string key(name, WideLength(name, MAX_NAME));
    std::lock_guard<std::mutex> guard(registryLock);
    auto found = registry.find(key);
    if (found != registry.end() && found->second->TryAddRef()) {
        NamedObject* object = found->second;
        ObjectType wanted = candidate->type;
        candidate->Release();
        existed = true;
        if (object->type != wanted) {
            object->Release();
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        return object;
    }
    candidate->name = key;
    candidate->presenceFd = HoldName(key, existed);
    registry[key] = candidate;
    return candidate;
}

}  // namespace wce

// The device's runtime folder, created on first use; empty when it cannot be made. A test process
// that must not meet other processes of the same device root names a folder of its own.
std::string wce::DeviceRuntimeFolder()
{
    if (const char* own = getenv("WCE_RUNTIME_DIR"); own != nullptr && *own != '\0') {
        if (mkdir(own, 0700) != 0 && errno != EEXIST)
            return std::string();
        return own;
    }
    const std::string& root = GetDeviceProfile().rootFolder;
    std::string folder = "/tmp/wce-" + std::to_string(getuid()) + "-" + Hex(Fnv1a(root.data(), root.size()));
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return std::string();
    return folder;
}
