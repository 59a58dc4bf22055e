// Child processes for the demo device tests: tools run to completion with their output, and the
// program run in the background. Every wait has a deadline; a child that outlives it is killed.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace demotest {

using Environment = std::vector<std::pair<std::string, std::string>>;

struct ToolResult {
    bool finished = false;   // false when the deadline passed and the tool was killed
    int status = -1;         // the exit status, or -1 when it did not exit normally
    std::string output;      // standard output and error, interleaved
};

// Runs argv[0] with the test's environment plus `extra` and waits at most timeoutMs.
ToolResult RunTool(const std::vector<std::string>& argv, const Environment& extra, int timeoutMs);

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { Kill(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Output goes to outputPath (a host file).
    bool Start(const std::vector<std::string>& argv, const Environment& extra, const std::string& outputPath);
    // True when the child ended within timeoutMs; status as in ToolResult.
    bool Wait(int timeoutMs, int& status);
    bool IsRunning() const { return pid > 0; }
    pid_t Pid() const { return pid; }
    void Kill();

private:
    pid_t pid = -1;
};

}  // namespace demotest
