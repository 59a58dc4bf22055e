// The automation socket: one command line in, the reply text out, one connection per command.
// The socket lives in the device's runtime folder as auto-<pid>.sock.
#include <cstdlib>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "platform/ui/RemoteProtocol.h"
#include "wce/Automation.h"

namespace wce::automation {

namespace {

constexpr size_t MAX_COMMAND = 4096;

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
        if (peer < 0)
            continue;
        std::string reply = RunAutomationCommand(ReadLine(peer));
        (void)!write(peer, reply.data(), reply.size());
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
