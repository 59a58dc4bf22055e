// Child processes for the demo device tests, started with posix_spawn and reaped with deadlines.
#include "DemoProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace demotest {
namespace {

using Clock = std::chrono::steady_clock;

// The test's environment with `extra` set over it; the strings back the returned pointers.
std::vector<char*> BuildEnvironment(const Environment& extra, std::vector<std::string>& storage)
{
    for (char** entry = environ; *entry; ++entry) {
        std::string line(*entry);
        bool replaced = false;
        for (const auto& [name, value] : extra)
            replaced = replaced || line.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced)
            storage.push_back(line);
    }
    for (const auto& [name, value] : extra)
        storage.push_back(name + "=" + value);
    std::vector<char*> pointers;
    for (std::string& line : storage)
        pointers.push_back(line.data());
    pointers.push_back(nullptr);
    return pointers;
}

pid_t Spawn(const std::vector<std::string>& argv, const Environment& extra, int outputFd)
{
    std::vector<std::string> argStorage(argv);
    std::vector<char*> args;
    for (std::string& arg : argStorage)
        args.push_back(arg.data());
    args.push_back(nullptr);
    std::vector<std::string> envStorage;
    std::vector<char*> env = BuildEnvironment(extra, envStorage);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int StatusOf(int raw)
{
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace

ToolResult RunTool(const std::vector<std::string>& argv, const Environment& extra, int timeoutMs)
{
    ToolResult result;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return result;
    pid_t pid = Spawn(argv, extra, fds[1]);
    close(fds[1]);
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    for (;;) {
        int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        pollfd readable { fds[0], POLLIN, 0 };
        if (pid < 0 || left <= 0 || poll(&readable, 1, left) <= 0)
            break;
        ssize_t got = read(fds[0], buffer, sizeof(buffer));
        if (got <= 0)
            break;
        result.output.append(buffer, size_t(got));
    }
    close(fds[0]);
    int raw = 0;
    while (pid > 0 && waitpid(pid, &raw, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &raw, 0);
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    result.finished = pid > 0;
    result.status = pid > 0 ? StatusOf(raw) : -1;
    return result;
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const Environment& extra, const std::string& outputPath)
{
    Kill();
    int fd = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    pid = Spawn(argv, extra, fd);
    close(fd);
    return pid > 0;
}

bool ChildProcess::Wait(int timeoutMs, int& status)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int raw = 0;
    while (pid > 0) {
        pid_t done = waitpid(pid, &raw, WNOHANG);
        if (done == pid || done < 0) {
            pid = -1;
            status = done < 0 ? -1 : StatusOf(raw);
            return true;
        }
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

void ChildProcess::Kill()
{
    if (pid <= 0)
        return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

}  // namespace demotest
