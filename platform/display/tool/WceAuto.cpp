// wce-auto: sends one automation command to a running program of the device and prints the reply.
//   wce-auto [-p <pid>] <command> [arguments...]      (see AutomationCommands.cpp for the commands)
// Without -p, the first live process of the device with an automation socket is used.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <iomanip>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "platform/ui/RemoteProtocol.h"

static std::string FindSocket(long pid)
{
    std::string folder = wce::ui::RuntimeFolder();
    if (pid > 0)
        return folder + "/auto-" + std::to_string(pid) + ".sock";
    DIR* dir = opendir(folder.c_str());
    std::string found;
    while (dir && found.empty()) {
        dirent* entry = readdir(dir);
        if (!entry)
            break;
        long candidate = 0;
        if (std::sscanf(entry->d_name, "auto-%ld.sock", &candidate) == 1 && kill(pid_t(candidate), 0) == 0)
            found = folder + "/" + entry->d_name;
    }
    if (dir)
        closedir(dir);
    return found;
}

// A connected socket to the device's program (the one given, or the first found), or -1; path
// names the socket tried, empty when there was none.
static int Connect(long pid, std::string& path)
{
    path = FindSocket(pid);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return -1;
    path.copy(address.sun_path, path.size());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// The server reads texts and paths with std::quoted: an argument the shell kept whole (a text with
// spaces, an empty one) is sent quoted so that it stays one argument.
static std::string Argument(const std::string& text)
{
    if (!text.empty() && text.find_first_of(" \t\"\\") == std::string::npos)
        return text;
    std::ostringstream quoted;
    quoted << std::quoted(text);
    return quoted.str();
}

// The program resolves a relative path in its own working folder, not in the caller's.
static std::string HostPathArgument(const std::string& path)
{
    if (path.empty() || path[0] == '/')
        return path;
    char* cwd = getcwd(nullptr, 0);
    std::string absolute = cwd ? std::string(cwd) + "/" + path : path;
    std::free(cwd);
    return absolute;
}

int main(int argc, char** argv)
{
    long pid = 0;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "-p") == 0) {
        pid = std::atol(argv[2]);
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: wce-auto [-p pid] list|command|tap|tapid|key|combo|row|box|waitbox|answer|wait|screenshot ...\n");
        return 2;
    }
    std::string line;
    const bool screenshot = std::strcmp(argv[first], "screenshot") == 0;
    for (int i = first; i < argc; ++i) {
        std::string argument = screenshot && i == first + 1 ? HostPathArgument(argv[i]) : argv[i];
        line += (i > first ? " " : "") + Argument(argument);
    }
    // A wait also waits for the program to be there: a script that has just started it in the
    // background needs no sleep before its first command.
    const bool waits = std::strcmp(argv[first], "wait") == 0 || std::strcmp(argv[first], "waitbox") == 0;
    const long waitMs = waits ? std::atol(argv[argc - 1]) : 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    int fd = -1;
    std::string path;
    do {
        fd = Connect(pid, path);
        if (fd >= 0 || std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (true);
    if (fd < 0) {
        if (path.empty())
            std::fprintf(stderr, "wce-auto: no program with automation is running on this device\n");
        else
            std::fprintf(stderr, "wce-auto: cannot reach %s\n", path.c_str());
        return 1;
    }
    line += "\n";
    if (write(fd, line.data(), line.size()) != ssize_t(line.size())) {
        std::fprintf(stderr, "wce-auto: cannot reach %s\n", path.c_str());
        close(fd);
        return 1;
    }
    char buffer[4096];
    ssize_t got = 0;
    bool failed = false;
    while ((got = read(fd, buffer, sizeof(buffer))) > 0) {
        failed = failed || std::strncmp(buffer, "error", 5) == 0 || std::strncmp(buffer, "timeout", 7) == 0;
        fwrite(buffer, 1, size_t(got), stdout);
    }
    close(fd);
    return failed ? 1 : 0;
}
