// The request a process sends to another about one of that process's windows, and the socket
// that carries it.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

#include "wce/WinTypes.h"

namespace wce::ui {

enum : uint32_t { REMOTE_SEND = 1, REMOTE_POST = 2, REMOTE_RAISE = 3 };

// Fixed-size record, host byte order: both ends are processes of this machine.
struct RemoteRequest {
    uint32_t op;
    uint32_t message;
    uint64_t hwnd;      // the window's handle in the receiving process
    uint64_t wParam;
    uint64_t lParam;
};
static_assert(sizeof(RemoteRequest) == 32, "the request record is 32 bytes");

// The device's runtime folder (shared with the kernel's named objects), created on first use.
std::string RuntimeFolder();
std::string ServerSocketPath(pid_t pid);

// Starts this process's socket server once.
void StartRemoteServer();

// Sends one request to the process listening at path and reads its 8-byte reply.
bool ExchangeWithPeer(const std::string& path, const RemoteRequest& request, int64_t& reply);

// Messages another process may send: private ones only, which carry plain values.
inline bool IsRemoteMessageAllowed(uint32_t message)
{
    return message == 0 || (message >= 0x0400 && message < 0xC000);
}

bool CallRemote(HWND proxy, uint32_t op, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
bool RemoteWindowAlive(HWND hwnd);
void PublishTopLevel(HWND hwnd);
void UnpublishTopLevel(HWND hwnd);

}  // namespace wce::ui
