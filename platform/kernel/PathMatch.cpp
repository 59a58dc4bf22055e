// Case-insensitive lookup of device paths on a case-sensitive host: each component is taken as
// spelled when it exists, else as the entry of its folder that matches it without regard to case.
// Folder listings are cached and trusted only while the folder's change time is unchanged.
#include <cerrno>
#include <ctime>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include <wce/DeviceProfile.h>

#include "HostName.h"
#include "HostPath.h"

namespace wce {
namespace {

constexpr size_t MAX_LISTINGS = 32;
// Host file systems stamp a folder's changes with a coarse clock (two seconds on FAT): two changes
// this close together may leave the same time, so a listing taken this soon after the last change
// is not kept. The change time is used, not the modification time, because no one can set it.
constexpr time_t RACY_SECONDS = 2;

struct Listing {
    std::string folder;
    dev_t device = 0;
    ino_t inode = 0;
    timespec changed {};
    uint64_t lastUse = 0;
    std::unordered_map<std::u16string, std::string> byFoldedName;
};

std::mutex listingsLock;
std::vector<Listing> listings;   // guarded by listingsLock
uint64_t useClock = 0;           // guarded by listingsLock

bool SameStamp(const Listing& listing, const struct stat& info)
{
    return listing.device == info.st_dev && listing.inode == info.st_ino &&
           listing.changed.tv_sec == info.st_ctim.tv_sec && listing.changed.tv_nsec == info.st_ctim.tv_nsec;
}

// Two host names that differ only in case are a host oddity; the one first in byte order (upper
// case before lower case) is the one a lookup by another spelling finds.
bool ReadListing(const std::string& folder, const struct stat& info, Listing& listing)
{
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    listing = Listing { folder, info.st_dev, info.st_ino, info.st_ctim, 0, {} };
    while (const dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string& kept = listing.byFoldedName[FoldNameCase(HostNameToDevice(name))];
        if (kept.empty() || name < kept)
            kept = std::move(name);
    }
    closedir(dir);
    return true;
}

// Keeps a new listing of a folder, or only drops the outdated one when the new one is too young.
void Keep(Listing&& listing, bool trusted)
{
    for (size_t i = 0; i < listings.size(); ++i) {
        if (listings[i].folder != listing.folder)
            continue;
        if (trusted) {
            listings[i] = std::move(listing);
        } else {
            listings[i] = std::move(listings.back());
            listings.pop_back();
        }
        return;
    }
    if (!trusted)
        return;
    if (listings.size() < MAX_LISTINGS) {
        listings.push_back(std::move(listing));
        return;
    }
    Listing* oldest = &listings[0];
    for (Listing& old : listings) {
        if (old.lastUse < oldest->lastUse)
            oldest = &old;
    }
    *oldest = std::move(listing);
}

// The entry of folder whose name matches name without regard to case.
bool FindNoCase(const std::string& folder, const std::string& name, std::string& match)
{
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    std::u16string key = FoldNameCase(HostNameToDevice(name));
    std::lock_guard<std::mutex> guard(listingsLock);
    Listing* cached = nullptr;
    for (Listing& listing : listings) {
        if (listing.folder == folder && SameStamp(listing, info))
            cached = &listing;
    }
    Listing fresh;
    if (cached == nullptr) {
        if (!ReadListing(folder, info, fresh))
            return false;
        cached = &fresh;
    }
    cached->lastUse = ++useClock;
    auto found = cached->byFoldedName.find(key);
    bool matched = found != cached->byFoldedName.end();
    if (matched)
        match = found->second;
    if (cached == &fresh)
        Keep(std::move(fresh), time(nullptr) - info.st_ctim.tv_sec >= RACY_SECONDS);
    return matched;
}

std::string Join(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

bool MatchExistingPath(std::string& hostPath)
{
    const std::string& root = GetDeviceProfile().rootFolder;
    struct stat info {};
    bool inside = hostPath.compare(0, root.size(), root) == 0 &&
                  (root == "/" || hostPath.size() == root.size() || hostPath[root.size()] == '/');
    if (!inside)
        return lstat(hostPath.c_str(), &info) == 0;
    std::string out = root;
    bool missing = false;
    size_t at = root.size();
    while (at < hostPath.size()) {
        size_t slash = hostPath.find('/', at);
        size_t end = slash == std::string::npos ? hostPath.size() : slash;
        std::string name = hostPath.substr(at, end - at);
        at = end + 1;
        if (name.empty())
            continue;
        std::string match;
        if (!missing && lstat(Join(out, name).c_str(), &info) != 0) {
            missing = !FindNoCase(out, name, match);
            if (!missing)
                name = match;
        }
        out = Join(out, name);
    }
    hostPath = out;
    return !missing;
}

bool RespellAfterMiss(int error, std::string& hostPath)
{
    if (error != ENOENT && error != ENOTDIR)
        return false;
    std::string respelled = hostPath;
    bool exists = MatchExistingPath(respelled);
    bool changed = respelled != hostPath;
    hostPath = respelled;
    return exists && changed;
}

bool ResolveNewEntry(std::string& hostPath, std::string& existing)
{
    struct stat info {};
    if (lstat(hostPath.c_str(), &info) == 0) {
        existing = hostPath;
        return true;
    }
    std::string respelled = hostPath;
    if (!MatchExistingPath(respelled)) {
        hostPath = respelled;
        return false;
    }
    size_t slash = hostPath.find_last_of('/');
    existing = respelled;
    hostPath = Join(HostParentFolder(respelled), hostPath.substr(slash + 1));
    return true;
}

bool ExistingHostPath(const WCHAR* devicePath, std::string& hostPath)
{
    struct stat info {};
    if (!HostPathFromDevice(devicePath, hostPath))
        return false;
    return lstat(hostPath.c_str(), &info) == 0 || MatchExistingPath(hostPath);
}

}  // namespace wce
