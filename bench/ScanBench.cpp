// Scan benchmark: generates (once) a corpus and a large database, then measures, each as the median
// of N runs on a warm page cache: plain reading of the corpus (the input ceiling), a scan through
// ScanBridge walked the way the scan worker walks (in a child process, for its peak memory), and
// the peer's clamscan with the same databases. Prints throughput, load time, peak memory, ratios,
// and whether both scanners flagged exactly the planted files.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <windows.h>
#include <wce/DeviceProfile.h>

#include "BenchCorpus.h"
#include "DeviceWalk.h"
#include "HashFloor.h"
#include "EngineContext.h"
#include "ScanBridge.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Sample {
    double seconds = 0;   // scanning or reading, without loading
    double loadSeconds = 0;
    double cpuSeconds = 0;  // processor time of the same part: the machine may be shared
    uint64_t files = 0;
    uint64_t bytes = 0;
    long peakKiB = 0;
    std::set<std::string> flagged;  // paths relative to the device root, '/' separated
};

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double ProcessCpu()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

Sample ReadCorpus(const fs::path& corpus)
{
    Sample sample;
    std::vector<char> buffer(1 << 20);
    double cpu = ProcessCpu();
    auto start = Clock::now();
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file())
            continue;
        int fd = ::open(entry.path().c_str(), O_RDONLY);
        ssize_t got;
        while (fd >= 0 && (got = ::read(fd, buffer.data(), buffer.size())) > 0)
            sample.bytes += uint64_t(got);
        if (fd >= 0)
            ::close(fd);
        ++sample.files;
    }
    sample.seconds = Since(start);
    sample.cpuSeconds = ProcessCpu() - cpu;
    return sample;
}

// The scan worker's walk, every file through the bridge.
void Walk(ScanBridge* bridge, const std::u16string& folder, Sample& sample)
{
    WalkDeviceFiles(folder, [&](const std::u16string& path, const WIN32_FIND_DATAW& data) {
        WCHAR virus[MAX_PATH];
        ++sample.files;
        sample.bytes += uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        if (bridge->ScanFile(path.c_str(), virus, 0) != SCAN_CLEAN) {
            std::string relative = wce::Utf16ToUtf8(path.c_str() + 1, path.size() - 1);
            std::replace(relative.begin(), relative.end(), '\\', '/');
            sample.flagged.insert(relative);
        }
    });
}

// Runs in the child: load the engine over the library folder lib, walk, and write "load scan files
// bytes" and the flagged paths.
int ScanChild(const fs::path& device, const fs::path& report, const std::string& lib)
{
    setenv("WCE_DEVICE_ROOT", device.c_str(), 1);
    wce::ReloadDeviceProfile();
    EngineContext* context = CreateEngineContext();
    ScanBridge* bridge = CreateScanBridge(nullptr);
    if (!context || !bridge)
        return 2;
    Sample sample;
    auto start = Clock::now();
    std::u16string libFolder = u"\\" + std::u16string(lib.begin(), lib.end()) + u"\\";
    int loaded = bridge->LoadEngine(libFolder.c_str(), u"\\Backup\\");
    sample.loadSeconds = Since(start);
    if (!loaded)
        return 3;
    bridge->BeginScan(nullptr);
    double cpu = ProcessCpu();
    start = Clock::now();
    Walk(bridge, u"\\Corpus\\", sample);
    sample.seconds = Since(start);
    sample.cpuSeconds = ProcessCpu() - cpu;
    bridge->EndScan();
    bridge->Release();
    context->Release();
    std::ofstream out(report);
    out << sample.loadSeconds << " " << sample.seconds << " " << sample.cpuSeconds << " " << sample.files << " "
        << sample.bytes << "\n";
    for (const std::string& path : sample.flagged)
        out << path << "\n";
    return 0;
}

// Runs argv with stdout into outFile; returns wall seconds and the child's peak memory.
bool RunChild(const std::vector<std::string>& argv, const fs::path& outFile, double& seconds, double& cpuSeconds,
              long& peakKiB, int& status)
{
    auto start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int fd = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    struct rusage usage {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return false;
    seconds = Since(start);
    cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    peakKiB = usage.ru_maxrss;
    return true;
}

Sample ScanWithBridge(const std::string& self, const fs::path& work, const std::string& lib = "Lib")
{
    Sample sample;
    fs::path report = work / "orv-report.txt";
    double wall = 0, cpu = 0;
    int status = 0;
    if (!RunChild({ self, "scan-child", work.string(), report.string(), lib }, work / "orv-stdout.txt", wall, cpu, sample.peakKiB, status)
        || status != 0) {
        fprintf(stderr, "scan child failed (status %d)\n", status);
        return sample;
    }
    std::ifstream in(report);
    in >> sample.loadSeconds >> sample.seconds >> sample.cpuSeconds >> sample.files >> sample.bytes;
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            sample.flagged.insert(line);
    return sample;
}

Sample ScanWithClamscan(const fs::path& work, const fs::path& target)
{
    Sample sample;
    fs::path output = work / "clamscan.txt";
    int status = 0;
    fs::path device = work / "device";
    std::vector<std::string> argv { "clamscan", "--database=" + (work / "clamdb").string(), "-r", "--infected",
                                    "--no-summary", "--max-filesize=200M", "--max-scansize=400M", target.string() };
    if (!RunChild(argv, output, sample.seconds, sample.cpuSeconds, sample.peakKiB, status)) {
        fprintf(stderr, "clamscan could not be run\n");
        return sample;
    }
    std::ifstream in(output);
    std::string line;
    std::string prefix = device.string() + "/";
    while (std::getline(in, line)) {
        size_t colon = line.rfind(": ");
        if (colon == std::string::npos || line.size() < 6 || line.compare(line.size() - 6, 6, " FOUND") != 0)
            continue;
        std::string path = line.substr(0, colon);
        if (path.compare(0, prefix.size(), prefix) == 0)
            path = path.substr(prefix.size());
        sample.flagged.insert(path);
    }
    return sample;
}

template <typename Run>
Sample Median(int runs, Run run)
{
    std::vector<Sample> samples;
    for (int i = 0; i < runs; ++i)
        samples.push_back(run());
    std::sort(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) { return a.seconds < b.seconds; });
    return samples[samples.size() / 2];
}

void PrintRow(const char* label, const Sample& s)
{
    double mb = double(s.bytes) / (1 << 20);
    printf("%-20s %7.2f s %8.0f files/s %7.1f MB/s | cpu %7.2f s %7.1f MB/s | load %5.2f s | peak %7.1f MB | flagged %zu\n",
           label, s.seconds, s.seconds > 0 ? double(s.files) / s.seconds : 0, s.seconds > 0 ? mb / s.seconds : 0,
           s.cpuSeconds, s.cpuSeconds > 0 ? mb / s.cpuSeconds : 0, s.loadSeconds, double(s.peakKiB) / 1024,
           s.flagged.size());
}

std::set<std::string> ReadList(const fs::path& file)
{
    std::set<std::string> lines;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            lines.insert(line);
    return lines;
}

std::string LastLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line, last = "(none)\n";
    while (std::getline(in, line))
        if (!line.empty())
            last = line + "\n";
    if (!last.empty() && last[last.size() - 2] == '\r')
        last.erase(last.size() - 2, 1);
    return last;
}

// The files one scanner flagged and the other, or the plan, did not: at most a few of each.
void ReportDifferences(const std::set<std::string>& expected, const Sample& ours, const std::set<std::string>* clam)
{
    auto show = [](const char* what, const std::set<std::string>& a, const std::set<std::string>& b) {
        int shown = 0;
        for (const std::string& path : a)
            if (!b.count(path) && shown++ < 5)
                printf("  %s: %s\n", what, path.c_str());
    };
    show("planted, not flagged by the engine", expected, ours.flagged);
    show("flagged by the engine, not planted", ours.flagged, expected);
    if (clam) {
        show("flagged by the engine, not by clamscan", ours.flagged, *clam);
        show("flagged by clamscan, not by the engine", *clam, ours.flagged);
    }
}

// Every file needing both digests: the engine over LibHashes against the machine's own MD5 and
// SHA-256 over the same bytes.
void MeasureBothDigests(const std::string& self, const fs::path& work, int runs, const fs::path& corpus)
{
    Sample engine = Median(runs, [&] { return ScanWithBridge(self, work, "LibHashes"); });
    std::vector<HashFloorSample> floors;
    for (int i = 0; i < runs; ++i)
        floors.push_back(MeasureHashFloor(corpus));
    std::sort(floors.begin(), floors.end(), [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
    const HashFloorSample& floor = floors[floors.size() / 2];
    double mb = double(floor.bytes) / (1 << 20);
    printf("every file needing MD5 and SHA-256: engine %.1f MB/s (cpu %.1f MB/s), floor with %s %.1f MB/s (cpu %.1f MB/s):"
           " %.0f%% of the floor (cpu %.0f%%)\n",
           mb / engine.seconds, mb / engine.cpuSeconds, HashFloorImplementation(), mb / floor.seconds, mb / floor.cpuSeconds,
           100.0 * floor.seconds / engine.seconds, 100.0 * floor.cpuSeconds / engine.cpuSeconds);
}

int Run(const std::string& self, const fs::path& work, int runs, bool withClamscan, bool small, bool corpusSizes)
{
    CorpusShape shape;
    if (small)  // a quick check of the whole chain
        shape = { 500, 32ull << 20, 30, 1000, 10000, 100 };
    shape.hashSizesFromCorpus = corpusSizes;
    if (!GenerateCorpus(work.string(), shape, ORV_ENGINE_LIB_DIR "/Verdane.dll")) {
        fprintf(stderr, "could not write the corpus under %s\n", work.c_str());
        return 1;
    }
    struct utsname machine {};
    uname(&machine);
    printf("machine: %s %s, %ld cores; median of %d runs, warm page cache\n", machine.nodename, machine.machine,
           sysconf(_SC_NPROCESSORS_ONLN), runs);
    printf("database: %u body, %u logical and %u hash signatures, allow and ignore lists; hash sizes %s\n",
           shape.bodySignatures, shape.logicalSignatures, shape.hashSignatures,
           corpusSizes ? "taken from the corpus (nearly every file hashed)" : "spread like malware samples");
    fs::path corpus = work / "device" / "Corpus";
    Sample read = Median(runs, [&] { return ReadCorpus(corpus); });
    Sample ours = Median(runs, [&] { return ScanWithBridge(self, work); });
    ours.bytes = ours.bytes ? ours.bytes : read.bytes;
    read.files = ours.files ? ours.files : read.files;
    PrintRow("plain reading", read);
    PrintRow("ScanBridge + engine", ours);
    std::set<std::string> expected = ReadList(work / "expected.txt");
    std::set<std::string> clamFlagged;
    bool same = ours.flagged == expected;
    if (withClamscan) {
        fs::create_directories(work / "empty");
        Sample load = ScanWithClamscan(work, work / "empty");
        Sample clam = Median(runs, [&] { return ScanWithClamscan(work, corpus); });
        clam.loadSeconds = load.seconds;
        clam.seconds -= load.seconds;  // scanning only, as for ours
        clam.cpuSeconds -= load.cpuSeconds;
        clam.files = ours.files;
        clam.bytes = ours.bytes;
        PrintRow("clamscan", clam);
        same = same && clam.flagged == ours.flagged;
        clamFlagged = clam.flagged;
        printf("ratio engine/clamscan throughput: %.2f wall, %.2f cpu (scan only); %.2f wall with loading\n",
               clam.seconds / ours.seconds, clam.cpuSeconds / ours.cpuSeconds,
               (clam.seconds + clam.loadSeconds) / (ours.seconds + ours.loadSeconds));
    }
    printf("ratio engine/plain reading throughput: %.2f wall, %.2f cpu\n", read.seconds / ours.seconds,
           read.cpuSeconds / ours.cpuSeconds);
    printf("peak memory of the engine's process with these signatures loaded: %.1f MB\n", double(ours.peakKiB) / 1024);
    printf("engine load report: %s", LastLine(work / "device" / "Lib" / "orv-load.txt").c_str());
    printf("planted %zu infected files (allowed and ignored ones left out); flagged sets %s\n", expected.size(),
           same ? "identical" : "DIFFER");
    ReportDifferences(expected, ours, withClamscan ? &clamFlagged : nullptr);
    MeasureBothDigests(self, work, runs, corpus);
    return same ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 5 && std::string(argv[1]) == "scan-child")
        return ScanChild(fs::path(argv[2]) / "device", argv[3], argv[4]);
    if (argc < 3 || std::string(argv[1]) != "run") {
        fprintf(stderr, "usage: %s run <work folder> [--runs N] [--small] [--no-clamscan]\n"
                        "       [--hash-sizes-from-corpus]\n", argv[0]);
        return 2;
    }
    int runs = 3;
    bool withClamscan = true;
    bool small = false;
    bool corpusSizes = false;
    for (int i = 3; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--runs" && i + 1 < argc)
            runs = std::max(1, atoi(argv[++i]));
        else if (option == "--small")
            small = true;
        else if (option == "--no-clamscan")
            withClamscan = false;
        else if (option == "--hash-sizes-from-corpus")
            corpusSizes = true;
    }
    return Run(fs::canonical("/proc/self/exe").string(), fs::absolute(argv[2]), runs, withClamscan, small, corpusSizes);
}
