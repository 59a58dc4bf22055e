// Per-thread message queues: posted messages, messages sent from other threads, timers, quit.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "wce/WinUser.h"

namespace wce::ui {

struct ThreadQueue;

// A message sent from another thread, waiting to be handled on the window's thread.
struct SentMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;                  // receiver writes, under the sender's lock
    bool done = false;                   // receiver writes, sender reads, under the sender's lock
    std::shared_ptr<ThreadQueue> sender;
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT interval = 0;
    int64_t due = 0;
    TIMERPROC proc = nullptr;
};

struct ThreadQueue {
    DWORD threadId = 0;
    std::mutex lock;
    std::condition_variable wake;
    std::deque<MSG> posted;                         // GUARDED_BY(lock)
    std::deque<std::shared_ptr<SentMessage>> sent;  // GUARDED_BY(lock)
    std::vector<Timer> timers;                      // GUARDED_BY(lock)
    bool quit = false;                              // GUARDED_BY(lock)
    int quitCode = 0;
    bool woken = false;                             // a modal wait must look at its condition again
    bool alive = true;                              // false once the thread has ended
    int modalDepth = 0;                             // owner thread only
};

// The calling thread's queue, created on first use.
std::shared_ptr<ThreadQueue> CurrentQueue();
// The queue of another thread, or null when that thread never made one or has ended.
std::shared_ptr<ThreadQueue> QueueOfThread(DWORD threadId);

// The message-loop clock in milliseconds; automation may move it forward.
int64_t UiNow();

// Handles every message other threads have sent to this one.
void ProcessSentMessages(ThreadQueue& queue);

// Sleeps until something arrives for the thread or the next timer is due.
void WaitForWork(ThreadQueue& queue);

// Wakes the thread that owns the queue (after a window of it was invalidated, say).
void WakeThread(DWORD threadId);

// Forgets the timers of a window being destroyed.
void KillWindowTimers(HWND hwnd, DWORD threadId);

// Calls the window procedure of a window of this thread; 0 when the window is gone.
LRESULT CallWindowOnThisThread(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace wce::ui
