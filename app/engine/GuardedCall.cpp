// GuardedCall: per-thread recovery points reached from the fault signal handlers by siglongjmp,
// for faults of the engine's code only.
#include "GuardedCall.h"

#include <atomic>
#include <csetjmp>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <sys/uio.h>
#include <ucontext.h>
#include <unistd.h>

namespace {

constexpr int GUARDED_SIGNALS[] = { SIGSEGV, SIGBUS, SIGILL, SIGFPE };
constexpr int SIGNAL_COUNT = int(sizeof(GUARDED_SIGNALS) / sizeof(GUARDED_SIGNALS[0]));
// Big enough for the handler and siglongjmp even when the fault was a stack overflow.
constexpr size_t ALT_STACK_BYTES = 64 * 1024;
constexpr int CODE_SLOTS = 32;

struct RecoveryPoint {
    sigjmp_buf jump;
    RecoveryPoint* previous;
};

thread_local RecoveryPoint* currentPoint = nullptr;

// The ranges of mapped engine images; read by the signal handler, so plain atomic words.
struct CodeRange {
    std::atomic<uintptr_t> begin { 0 };
    std::atomic<uintptr_t> end { 0 };
};
CodeRange codeRanges[CODE_SLOTS];
std::mutex rangeLock;   // between registrations only; the handler never takes it

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

bool IsEngineCode(uintptr_t address)
{
    for (const CodeRange& range : codeRanges) {
        uintptr_t begin = range.begin.load(std::memory_order_acquire);
        if (begin != 0 && address >= begin && address < range.end.load(std::memory_order_acquire))
            return true;
    }
    return false;
}

// A word of memory that may not be mapped (the stack pointer of a damaged thread); 0 when it
// cannot be read. The system call is safe inside a signal handler.
[[maybe_unused]] uintptr_t ReadWord(uintptr_t address)
{
    uintptr_t value = 0;
    iovec local { &value, sizeof value };
    iovec remote { reinterpret_cast<void*>(address), sizeof value };
    if (process_vm_readv(getpid(), &local, 1, &remote, 1, 0) != ssize_t(sizeof value))
        return 0;
    return value;
}

// The instruction that faulted, and the return address a call just pushed: a jump through a bad
// pointer faults at the target, so the engine's own call is seen one word up the stack.
bool FaultOfEngineCode(const siginfo_t* info, void* context)
{
    if (info == nullptr || info->si_code <= 0 || context == nullptr)
        return false;   // sent by kill or raise, not by the processor
    const ucontext_t* state = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    uintptr_t pc = uintptr_t(state->uc_mcontext.gregs[REG_RIP]);
    uintptr_t sp = uintptr_t(state->uc_mcontext.gregs[REG_RSP]);
    if (IsEngineCode(pc))
        return true;
    // Only a fetch fault (the fault address is the instruction itself) came from a jump.
    if (info->si_signo != SIGSEGV || uintptr_t(info->si_addr) != pc || sp == 0 || IsEngineCode(sp))
        return false;
    return IsEngineCode(ReadWord(sp));
#elif defined(__aarch64__)
    uintptr_t pc = uintptr_t(state->uc_mcontext.pc);
    if (IsEngineCode(pc))
        return true;
    return info->si_signo == SIGSEGV && uintptr_t(info->si_addr) == pc
        && IsEngineCode(uintptr_t(state->uc_mcontext.regs[30]));
#else
    return false;
#endif
}

void OnFault(int signal, siginfo_t* info, void* context)
{
    if (currentPoint != nullptr && FaultOfEngineCode(info, context))
        siglongjmp(currentPoint->jump, 1);
    // Not the engine's: a host bug must not be turned into a result. Put back what was there (the
    // default action, or a sanitizer's report) and let the fault happen again under it. A fault
    // raised by a hardware trap repeats when we return; one sent by kill or raise must be raised anew.
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
__attribute__((noinline)) bool RunWithRecovery(void (*call)(void*), void* context)
{
    RecoveryPoint point;
    point.previous = currentPoint;
    if (sigsetjmp(point.jump, 1) != 0) {
        currentPoint = point.previous;
        return false;
    }
    currentPoint = &point;
    call(context);
    currentPoint = point.previous;
    return true;
}

struct EngineCall {
    GuardedFunction function;
    void* argument;
};

void CallEngineFunction(void* context)
{
    EngineCall* call = static_cast<EngineCall*>(context);
    call->function(call->argument);
}

}  // namespace

bool CallGuardedHost(void (*call)(void*), void* context) noexcept
{
    if (call == nullptr)
        return true;
    if (!handlersInstalled)
        InstallHandlers();
    altStack.Ensure();
    return RunWithRecovery(call, context);
}

bool CallGuarded(GuardedFunction function, void* argument) noexcept
{
    if (function == nullptr)
        return true;
    EngineCall call { function, argument };
    return CallGuardedHost(CallEngineFunction, &call);
}

int RegisterEngineCode(const void* begin, size_t bytes) noexcept
{
    if (begin == nullptr || bytes == 0)
        return -1;
    std::lock_guard<std::mutex> hold(rangeLock);
    for (int slot = 0; slot < CODE_SLOTS; ++slot) {
        if (codeRanges[slot].begin.load() != 0)
            continue;
        codeRanges[slot].end.store(uintptr_t(begin) + bytes, std::memory_order_release);
        codeRanges[slot].begin.store(uintptr_t(begin), std::memory_order_release);
        return slot;
    }
    return -1;
}

void UnregisterEngineCode(int slot) noexcept
{
    if (slot < 0 || slot >= CODE_SLOTS)
        return;
    std::lock_guard<std::mutex> hold(rangeLock);
    codeRanges[slot].begin.store(0, std::memory_order_release);
    codeRanges[slot].end.store(0, std::memory_order_release);
}
