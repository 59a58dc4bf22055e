// The socket on which this process answers other processes' requests about its top-level windows.
// Requests are handed to each window's own thread (a send waits there like any cross-thread send);
// the socket thread itself never touches a window.
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "RemoteProtocol.h"
#include "WindowImpl.h"

namespace wce::ui {

namespace {

constexpr int REPLY_TIMEOUT_SECONDS = 10;
constexpr int CONNECT_ATTEMPTS = 20;
constexpr int CONNECT_RETRY_MS = 25;

bool FillAddress(const std::string& path, sockaddr_un& address)
{
    address = sockaddr_un {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return false;
    path.copy(address.sun_path, path.size());
    return true;
}

void SetTimeout(int fd, int seconds)
{
    timeval timeout { seconds, 0 };
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
}

bool ReadAll(int fd, void* buffer, size_t size)
{
    char* p = static_cast<char*>(buffer);
    while (size > 0) {
        ssize_t got = read(fd, p, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        p += got;
        size -= size_t(got);
    }
    return true;
}

bool IsLocalTopLevel(HWND hwnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hwnd);
    return window && !window->parent && !window->destroying;
}

int64_t Handle(const RemoteRequest& request)
{
    HWND hwnd = reinterpret_cast<HWND>(uintptr_t(request.hwnd));
    if (!IsLocalTopLevel(hwnd))
        return 0;
    switch (request.op) {
    case REMOTE_SEND:
        return IsRemoteMessageAllowed(request.message)
                   ? int64_t(SendMessageW(hwnd, request.message, WPARAM(request.wParam), LPARAM(request.lParam))) : 0;
    case REMOTE_POST:
        return IsRemoteMessageAllowed(request.message)
                   ? PostMessageW(hwnd, request.message, WPARAM(request.wParam), LPARAM(request.lParam)) : 0;
    case REMOTE_RAISE:
        return SetForegroundWindow(reinterpret_cast<HWND>(uintptr_t(hwnd) | (request.wParam & 1)));
    default:
        return 0;
    }
}

// Held while a request is handled and answered. A posted message can end the process (a quit
// request) before the reply is written; the exit waits for the reply, up to a second.
std::timed_mutex& RequestLock()
{
    static auto* lock = new std::timed_mutex();   // never destroyed: used at exit
    return *lock;
}

void Serve(int listener)
{
    for (;;) {
        int peer = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer < 0)
            continue;
        SetTimeout(peer, REPLY_TIMEOUT_SECONDS);
        RemoteRequest request {};
        if (ReadAll(peer, &request, sizeof(request))) {
            std::lock_guard<std::timed_mutex> answering(RequestLock());
            int64_t reply = Handle(request);
            (void)!send(peer, &reply, sizeof(reply), MSG_NOSIGNAL);
        }
        close(peer);
    }
}

void AtExit()
{
    // Kept locked: no request is handled while the process goes.
    (void)RequestLock().try_lock_for(std::chrono::seconds(1));
    unlink(ServerSocketPath(getpid()).c_str());
}

}  // namespace

std::string ServerSocketPath(pid_t pid)
{
    return RuntimeFolder() + "/ui-" + std::to_string(pid) + ".sock";
}

void StartRemoteServer()
{
    static std::once_flag once;
    std::call_once(once, [] {
        sockaddr_un address;
        std::string path = ServerSocketPath(getpid());
        if (!FillAddress(path, address))
            return;
        unlink(path.c_str());   // left by an earlier process that had our pid
        int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listener < 0)
            return;
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(listener, 8) != 0) {
            close(listener);
            return;   // our windows stay local: other processes find them but cannot reach them
        }
        std::thread(Serve, listener).detach();
        std::atexit(AtExit);
    });
}

namespace {

// A peer whose listening queue is full, or whose socket is not there yet, is tried again for a
// short while before the request counts as failed.
int ConnectToPeer(const sockaddr_un& address)
{
    for (int attempt = 0; attempt < CONNECT_ATTEMPTS; ++attempt) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return -1;
        SetTimeout(fd, REPLY_TIMEOUT_SECONDS);
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
            return fd;
        const int error = errno;
        close(fd);
        if (error != EINTR && error != EAGAIN && error != ECONNREFUSED && error != ENOENT)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(CONNECT_RETRY_MS));
    }
    return -1;
}

}  // namespace

bool ExchangeWithPeer(const std::string& path, const RemoteRequest& request, int64_t& reply)
{
    sockaddr_un address;
    if (!FillAddress(path, address))
        return false;
    int fd = ConnectToPeer(address);
    if (fd < 0)
        return false;
    ssize_t sent = 0;
    do
        sent = write(fd, &request, sizeof(request));
    while (sent < 0 && errno == EINTR);
    bool ok = sent == ssize_t(sizeof(request)) && ReadAll(fd, &reply, sizeof(reply));
    close(fd);
    return ok;
}

}  // namespace wce::ui
