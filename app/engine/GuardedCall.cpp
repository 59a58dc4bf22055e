// GuardedCall: per-thread recovery points reached from the fault signal handlers by siglongjmp.
#include "GuardedCall.h"

#include <csetjmp>
#include <csignal>
#include <cstdlib>
#include <mutex>

namespace {

constexpr int GUARDED_SIGNALS[] = { SIGSEGV, SIGBUS, SIGILL, SIGFPE };
constexpr int SIGNAL_COUNT = int(sizeof(GUARDED_SIGNALS) / sizeof(GUARDED_SIGNALS[0]));
// Big enough for the handler and siglongjmp even when the fault was a stack overflow.
constexpr size_t ALT_STACK_BYTES = 64 * 1024;

struct RecoveryPoint {
    sigjmp_buf jump;
    RecoveryPoint* previous;
};

thread_local RecoveryPoint* currentPoint = nullptr;

// An alternate signal stack per thread, so a fault caused by running out of stack can still be
// handled; it is given back when the thread ends.
struct AltStack {
    void* memory = nullptr;
    ~AltStack()
    {
        if (memory == nullptr)
            return;
        stack_t off = {};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
        std::free(memory);
    }
    void Ensure()
    {
        if (memory != nullptr)
            return;
        stack_t existing = {};
        if (sigaltstack(nullptr, &existing) == 0 && !(existing.ss_flags & SS_DISABLE) && existing.ss_size >= ALT_STACK_BYTES)
            return;   // the thread already has one big enough (a sanitizer's, for instance)
        memory = std::malloc(ALT_STACK_BYTES);
        if (memory == nullptr)
            return;
        stack_t stack = {};
        stack.ss_sp = memory;
        stack.ss_size = ALT_STACK_BYTES;
        if (sigaltstack(&stack, nullptr) != 0) {
            std::free(memory);
            memory = nullptr;
        }
    }
};

thread_local AltStack altStack;

std::mutex installLock;
struct sigaction previousActions[SIGNAL_COUNT];
volatile sig_atomic_t handlersInstalled = 0;

int SignalIndex(int signal)
{
    for (int i = 0; i < SIGNAL_COUNT; ++i) {
        if (GUARDED_SIGNALS[i] == signal)
            return i;
    }
    return -1;
}

void OnFault(int signal, siginfo_t* info, void*)
{
    if (currentPoint != nullptr)
        siglongjmp(currentPoint->jump, 1);
    // Not ours: put back what was there and let the fault happen again under it. A fault raised
    // by a hardware trap repeats when we return; one sent by kill or raise must be raised anew.
    int index = SignalIndex(signal);
    if (index >= 0)
        sigaction(signal, &previousActions[index], nullptr);
    handlersInstalled = 0;
    if (info == nullptr || info->si_code <= 0)
        raise(signal);
}

void InstallHandlers()
{
    std::lock_guard<std::mutex> hold(installLock);
    if (handlersInstalled)
        return;
    struct sigaction action = {};
    action.sa_sigaction = OnFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < SIGNAL_COUNT; ++i)
        sigaction(GUARDED_SIGNALS[i], &action, &previousActions[i]);
    handlersInstalled = 1;
}

// Kept apart from the callers so that nothing of theirs lives in registers across sigsetjmp.
__attribute__((noinline)) bool RunWithRecovery(GuardedFunction function, void* argument)
{
    RecoveryPoint point;
    point.previous = currentPoint;
    if (sigsetjmp(point.jump, 1) != 0) {
        currentPoint = point.previous;
        return false;
    }
    currentPoint = &point;
    function(argument);
    currentPoint = point.previous;
    return true;
}

}  // namespace

bool CallGuarded(GuardedFunction function, void* argument) noexcept
{
    if (function == nullptr)
        return true;
    if (!handlersInstalled)
        InstallHandlers();
    altStack.Ensure();
    return RunWithRecovery(function, argument);
}
