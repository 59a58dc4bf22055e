// Walk benchmark: a tree of 20,000 files walked the way the scan worker walks it (FindFirstFileW /
// FindNextFileW, then the attributes and an open and read of every file by the path the search
// gave), beside the same walk done straight on the host (readdir, fstatat, open, read), and the
// same opens with every path in another letter case. Prints the median of N runs and the machine.
// Usage: WalkBench [--runs N] [--files N] [--exact-only] [work folder]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <windows.h>
#include <wce/DeviceProfile.h>

#include "DeviceWalk.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int FILES_PER_FOLDER = 200;

struct Options {
    int runs = 9;
    int files = 20000;
    bool exactOnly = false;   // for profiling the path every program walk takes
    std::string work = "/tmp/orv-bench-walk";
};

struct Tally {
    long files = 0;
    long bytes = 0;
    long failures = 0;
};

char16_t Upper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}

// Makes the tree once: folders "Folder 000", ..., each with FILES_PER_FOLDER small files.
bool MakeTree(const std::string& walkRoot, int files)
{
    mkdir(walkRoot.c_str(), 0777);
    char name[64];
    for (int i = 0; i < files; ++i) {
        std::snprintf(name, sizeof name, "/Folder %03d", i / FILES_PER_FOLDER);
        std::string folder = walkRoot + name;
        if (i % FILES_PER_FOLDER == 0)
            mkdir(folder.c_str(), 0777);
        std::snprintf(name, sizeof name, "/File %05d.dat", i);
        std::string path = folder + name;
        if (access(path.c_str(), F_OK) == 0)
            continue;
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd < 0)
            return false;
        char content[64];
        std::memset(content, 'a' + i % 26, sizeof content);
        bool ok = write(fd, content, sizeof content) == ssize_t(sizeof content);
        close(fd);
        if (!ok)
            return false;
    }
    return true;
}

// One file as the scan worker's engine meets it: its attributes, then an open and a first read.
void VisitDeviceFile(const std::u16string& path, Tally& tally)
{
    char buffer[64];
    DWORD got = 0;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE || !ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
        ++tally.failures;
    } else {
        ++tally.files;
        tally.bytes += long(got);
    }
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

// The scan worker's walk; with shout, every file is opened by its path in upper case.
void WalkDevice(const std::u16string& folder, bool shout, Tally& tally)
{
    WalkDeviceFiles(folder, [&](const std::u16string& found, const WIN32_FIND_DATAW&) {
        std::u16string path = found;
        if (shout)
            std::transform(path.begin(), path.end(), path.begin(), Upper);
        VisitDeviceFile(path, tally);
    });
}

// The peer: the same walk on the host, without the platform layer.
void WalkHost(const std::string& folder, Tally& tally)
{
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        std::string path = folder + "/" + entry->d_name;
        struct stat info {};
        if (fstatat(dirfd(dir), entry->d_name, &info, 0) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            WalkHost(path, tally);
            continue;
        }
        char buffer[64];
        int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ssize_t got = fd < 0 ? -1 : read(fd, buffer, sizeof buffer);
        if (got < 0) {
            ++tally.failures;
        } else {
            ++tally.files;
            tally.bytes += long(got);
        }
        if (fd >= 0)
            close(fd);
    }
    closedir(dir);
}

template <typename Walk>
double MedianMilliseconds(int runs, Walk walk, Tally& tally)
{
    std::vector<double> samples;
    for (int run = 0; run < runs; ++run) {
        tally = Tally {};
        Clock::time_point start = Clock::now();
        walk(tally);
        samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void Report(const char* what, double ms, const Tally& tally, double peerMs)
{
    double perFile = tally.files > 0 ? ms * 1000 / double(tally.files) : 0;
    std::printf("%-34s %9.1f ms %7.2f us/file %6.2fx host  files %ld failed %ld\n", what, ms, perFile,
                peerMs > 0 ? ms / peerMs : 0, tally.files, tally.failures);
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if ((arg == "--runs" || arg == "--files") && i + 1 < argc)
            (arg == "--runs" ? options.runs : options.files) = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--exact-only")
            options.exactOnly = true;
        else if (!arg.empty() && arg[0] != '-')
            options.work = arg;
        else
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: WalkBench [--runs N] [--files N] [--exact-only] [work folder]\n");
        return 2;
    }
    mkdir(options.work.c_str(), 0777);
    std::string walkRoot = options.work + "/Walk";
    if (!MakeTree(walkRoot, options.files)) {
        std::fprintf(stderr, "WalkBench: cannot write the tree under %s\n", options.work.c_str());
        return 1;
    }
    setenv("WCE_DEVICE_ROOT", options.work.c_str(), 1);
    wce::ReloadDeviceProfile();
    utsname machine {};
    uname(&machine);
    std::printf("machine: %s %s, %ld processors; median of %d runs over %d files on a warm cache\n",
                machine.machine, machine.release, sysconf(_SC_NPROCESSORS_ONLN), options.runs, options.files);
    Tally tally;
    double host = MedianMilliseconds(options.runs, [&](Tally& t) { WalkHost(walkRoot, t); }, tally);
    Report("host walk (readdir, stat, open)", host, tally, host);
    double exact = MedianMilliseconds(options.runs, [&](Tally& t) { WalkDevice(u"\\Walk\\", false, t); }, tally);
    Report("device walk, exact-case paths", exact, tally, host);
    if (options.exactOnly)
        return 0;
    double shout = MedianMilliseconds(options.runs, [&](Tally& t) { WalkDevice(u"\\Walk\\", true, t); }, tally);
    Report("device walk, upper-case paths", shout, tally, host);
    return 0;
}
