// orv-dbimport: installs signature database containers (.cvd, .cld, .cud) into the engine's library
// folder. Usage: orv-dbimport [--lib DIR] FILE...
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "ImportReport.h"
#include "LibraryInstaller.h"

namespace {

bool IsFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The demo device's library folder: under $ORV_DEMO_DEVICE, else the build folder's demo-device
// beside the bin folder this program runs from.
std::string DefaultLibrary()
{
    std::string device;
    if (const char* given = std::getenv("ORV_DEMO_DEVICE"); given && *given) {
        device = given;
    } else {
        char self[4096];
        ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
        std::string exe = length > 0 ? std::string(self, size_t(length)) : "";
        std::string bin = exe.substr(0, exe.find_last_of('/'));
        device = bin.substr(0, bin.find_last_of('/')) + "/demo-device";
    }
    return device + "/Program Files/OrvMobile/Lib";
}

int Usage()
{
    std::fprintf(stderr, "usage: orv-dbimport [--lib DIR] FILE.cvd|FILE.cld|FILE.cud ...\n"
                         "  --lib DIR  the engine's library folder (default: the demo device's\n"
                         "             Program Files/OrvMobile/Lib)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string lib;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--lib" && i + 1 < argc)
            lib = argv[++i];
        else if (arg == "--help" || arg == "-h" || (!arg.empty() && arg[0] == '-'))
            return Usage();
        else
            paths.push_back(arg);
    }
    if (paths.empty())
        return Usage();
    if (lib.empty())
        lib = DefaultLibrary();
    if (!IsFolder(lib)) {
        std::fprintf(stderr, "orv-dbimport: no library folder at %s (give one with --lib)\n", lib.c_str());
        return 1;
    }
    std::vector<orv::Container> containers(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        std::string error;
        if (!orv::ReadContainer(paths[i], containers[i], error)) {
            std::fprintf(stderr, "orv-dbimport: %s: %s; nothing was installed\n", paths[i].c_str(), error.c_str());
            return 1;
        }
        std::fputs(orv::DescribeContainer(containers[i]).c_str(), stdout);
    }
    orv::InstalledSet set;
    std::string error;
    if (!orv::InstallContainers(lib, containers, set, error)) {
        std::fprintf(stderr, "orv-dbimport: %s; the databases in use are unchanged\n", error.c_str());
        return 1;
    }
    std::printf("installed into %s (set %s): %zu signature files; database date %s\n"
                "the engine loads them when the program starts next; its load report is Lib/orv-load.txt\n",
                lib.c_str(), set.folder.c_str(), set.files.size(), set.date.empty() ? "unknown" : set.date.c_str());
    return 0;
}
