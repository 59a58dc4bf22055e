// A virtual X server for one test: Xvfb started on a display number it picks itself, ended with
// the test.
#pragma once

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace displaytest {

// The Xvfb program on PATH, or empty when there is none.
inline std::string FindXvfb()
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin";
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/Xvfb";
        if (end > start && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

class XvfbServer {
public:
    // Starts the server and waits until it takes connections; false when it does not come up.
    // -displayfd makes Xvfb choose a free display number and tell us which, once it is ready.
    bool Start(const std::string& program)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        std::string fd = std::to_string(fds[1]);
        const char* argv[] = { program.c_str(), "-displayfd", fd.c_str(), "-screen", "0", "640x800x24",
                               "-nolisten", "tcp", nullptr };
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (spawned != 0) {
            pid = -1;
            close(fds[0]);
            return false;
        }
        bool ready = ReadDisplayNumber(fds[0]);
        close(fds[0]);
        return ready;
    }

    ~XvfbServer() { Stop(); }

    void Stop()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            int status = 0;
            waitpid(pid, &status, 0);
        }
        pid = -1;
    }

    const std::string& Name() const { return name; }

private:
    bool ReadDisplayNumber(int fd)
    {
        std::string number;
        for (;;) {
            pollfd wait { fd, POLLIN, 0 };
            char c = 0;
            if (poll(&wait, 1, 10000) <= 0 || read(fd, &c, 1) != 1)
                return false;
            if (c == '\n')
                break;
            number += c;
        }
        name = ":" + number;
        return !number.empty();
    }

    pid_t pid = -1;
    std::string name;
};

}  // namespace displaytest
