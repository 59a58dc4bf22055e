// The automation socket: one command line in, the reply text out, one connection per command.
// The socket lives in the device's runtime folder as auto-<pid>.sock.
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "platform/ui/RemoteProtocol.h"
#include "wce/Automation.h"

namespace wce::automation {

namespace {

constexpr size_t MAX_COMMAND = 4096;
// A client that connects and then says nothing must not hold the channel for good.
constexpr int COMMAND_TIMEOUT_SECONDS = 5;

// How long the process's exit waits for a command that is running.
constexpr auto EXIT_WAIT = std::chrono::seconds(1);

std::string g_socketPath;   // written once before the serving thread starts

// Held while a command runs and its reply goes out. The process's exit takes it for good, so that
// the reply to the command that ended the program still reaches its client and no command runs
// while the process tears down. Never destroyed: the serving thread may still wait on it then.
std::timed_mutex& CommandLock()
{
    static auto* lock = new std::timed_mutex;
    return *lock;
}

void OnProcessExit()
{
    (void)CommandLock().try_lock_for(EXIT_WAIT);
    // A socket left behind would be found by wce-auto once another process has this pid.
    unlink(g_socketPath.c_str());
}

std::string ReadLine(int fd)
{
    std::string line;
    char c = 0;
    while (line.size() < MAX_COMMAND && read(fd, &c, 1) == 1 && c != '\n')
        line.push_back(c);
    return line;
}

void Serve(int listener)
{
    for (;;) {
        int peer = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer < 0) {
            // Out of descriptors or similar: try again a little later instead of spinning.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        timeval timeout { COMMAND_TIMEOUT_SECONDS, 0 };
        setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        std::string line = ReadLine(peer);
        {
            std::lock_guard<std::timed_mutex> hold(CommandLock());
            std::string reply = RunAutomationCommand(line);
            // The client may have given up waiting; that must not raise SIGPIPE in the program.
            (void)!send(peer, reply.data(), reply.size(), MSG_NOSIGNAL);
        }
        close(peer);
    }
}

}  // namespace

bool StartAutomationServer()
{
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        std::string path = wce::ui::RuntimeFolder() + "/auto-" + std::to_string(getpid()) + ".sock";
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof(address.sun_path))
            return;
        path.copy(address.sun_path, path.size());
        unlink(path.c_str());
        int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listener < 0)
            return;
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(listener, 4) != 0) {
            close(listener);
            return;
        }
        g_socketPath = path;
        CommandLock();
        std::atexit(OnProcessExit);
        // Whoever drives the program through the socket answers its questions: a box or a
        // popup waits for them as it would for a user at the desktop.
        SetBoxesWaitForAutomation(true);
        SetPopupsWaitForAutomation(true);
        std::thread(Serve, listener).detach();
        started = true;
    });
    return started;
}

namespace {

// Scripts ask for the channel with WCE_AUTOMATION=1; the program itself never starts it.
[[maybe_unused]] const bool autoStarted = [] {
    const char* wanted = std::getenv("WCE_AUTOMATION");
    return wanted && std::string(wanted) == "1" && StartAutomationServer();
}();

}  // namespace

}  // namespace wce::automation
