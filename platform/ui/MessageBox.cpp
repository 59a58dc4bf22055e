// MessageBoxW: records every box and answers it from the automation queue, or waits for an answer
// while the calling thread keeps handling the messages sent to it. A box that is closed rather
// than answered (its window closed, its owner destroyed, the desktop going away) gets the answer
// that changes nothing: No, or Cancel where the box has one.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>
#include <cstdint>

#include "wce/Automation.h"
#include "wce/WinUser.h"
#include "GdiLink.h"
#include "ModalWait.h"

namespace {

struct BoxState {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<int> answers;                               // queued by automation
    std::deque<wce::automation::MessageBoxRecord> history; // every box, oldest first
    bool wait = false;                                     // a desktop, or a test, answers
    bool automation = false;                               // the automation socket answers
};

BoxState& Boxes()
{
    static BoxState* state = new BoxState;   // never destroyed: boxes may come from late threads
    return *state;
}

std::u16string CopyText(LPCWSTR text)
{
    return text ? std::u16string(text) : std::u16string();
}

// An answer the style cannot give (IDYES to an OK box) is still returned as given: tests use
// that to see a caller that does not check its style.
int TakeQueuedAnswer(BoxState& state)
{
    if (state.answers.empty())
        return state.wait || state.automation ? 0 : IDOK;
    int answer = state.answers.front();
    state.answers.pop_front();
    return answer;
}

}  // namespace

namespace wce::ui {

int SafeAnswer(UINT style)
{
    switch (style & MB_TYPEMASK) {
    case MB_OK: return IDOK;
    case MB_YESNO: return IDNO;
    default: return IDCANCEL;
    }
}

HWND CreateMessageBoxWindow(HWND owner, const std::u16string& text, const std::u16string& caption, UINT style);

namespace {
std::mutex boxWindowsLock;
std::vector<std::pair<HWND, size_t>> boxWindows;   // the window of each box that has one
}  // namespace

void RegisterBoxWindow(HWND window, size_t index)
{
    std::lock_guard<std::mutex> guard(boxWindowsLock);
    boxWindows.emplace_back(window, index);
}

// A button of the box's window was pressed: that box is answered (if automation has not already).
// Answer 0 closes the box with its safe answer.
void AnswerBoxFromWindow(HWND window, int answer)
{
    size_t index = SIZE_MAX;
    {
        std::lock_guard<std::mutex> guard(boxWindowsLock);
        for (auto it = boxWindows.begin(); it != boxWindows.end(); ++it) {
            if (it->first == window) {
                index = it->second;
                boxWindows.erase(it);
                break;
            }
        }
    }
    BoxState& state = Boxes();
    std::lock_guard<std::mutex> guard(state.lock);
    if (index < state.history.size() && state.history[index].answer == 0)
        state.history[index].answer = answer ? answer : SafeAnswer(state.history[index].style);
    state.changed.notify_all();
}

// The owner is going: on the platform its boxes go with it, so whoever waits in them must not
// take a later tap on a stray box for the question the owner asked.
void CloseBoxesOwnedBy(HWND owner)
{
    BoxState& state = Boxes();
    bool closed = false;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        for (wce::automation::MessageBoxRecord& box : state.history) {
            if (box.answer == 0 && box.owner == owner) {
                box.answer = SafeAnswer(box.style);
                closed = true;
            }
        }
        state.changed.notify_all();
    }
    if (closed)
        WakeModalWaiters();
}

}  // namespace wce::ui

int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    BoxState& state = Boxes();
    std::unique_lock<std::mutex> guard(state.lock);
    wce::automation::MessageBoxRecord box;
    box.text = CopyText(lpText);
    box.caption = CopyText(lpCaption);
    box.style = uType;
    box.owner = hWnd;
    box.threadId = wce::ui::CurrentUiThreadId();
    box.answer = TakeQueuedAnswer(state);
    state.history.push_back(box);
    size_t index = state.history.size() - 1;
    state.changed.notify_all();
    if (box.answer != 0)
        return box.answer;
    guard.unlock();
    // On a screen the box is a window of its own that a tap answers; automation answers it too.
    HWND window = wce::ui::CanPaint() ? wce::ui::CreateMessageBoxWindow(hWnd, box.text, box.caption, uType) : nullptr;
    if (window)
        wce::ui::RegisterBoxWindow(window, index);
    wce::ui::ModalWaitUntil(hWnd, [&state, index] {
        std::lock_guard<std::mutex> g(state.lock);
        return state.history.size() <= index || state.history[index].answer != 0;
    });
    if (window) {
        wce::ui::AnswerBoxFromWindow(window, 0);   // forgets the window; the answer is already set
        DestroyWindow(window);
    }
    guard.lock();
    return state.history.size() > index ? state.history[index].answer : IDCANCEL;
}

namespace wce::automation {

void QueueMessageBoxAnswer(int answer)
{
    BoxState& state = Boxes();
    std::lock_guard<std::mutex> guard(state.lock);
    state.answers.push_back(answer);
}

void SetMessageBoxesWait(bool wait)
{
    BoxState& state = Boxes();
    std::lock_guard<std::mutex> guard(state.lock);
    state.wait = wait;
}

void SetBoxesWaitForAutomation(bool wait)
{
    BoxState& state = Boxes();
    std::lock_guard<std::mutex> guard(state.lock);
    state.automation = wait;
}

std::vector<MessageBoxRecord> GetMessageBoxHistory()
{
    BoxState& state = Boxes();
    std::lock_guard<std::mutex> guard(state.lock);
    return std::vector<MessageBoxRecord>(state.history.begin(), state.history.end());
}

void ResetMessageBoxes()
{
    BoxState& state = Boxes();
    std::lock_guard<std::mutex> guard(state.lock);
    // A box still up loses its record and returns IDCANCEL, so no thread stays blocked in one.
    state.history.clear();
    state.answers.clear();
    state.wait = false;
    state.changed.notify_all();
    wce::ui::WakeModalWaiters();
}

static bool FindOpen(BoxState& state, MessageBoxRecord*& found)
{
    for (MessageBoxRecord& box : state.history) {
        if (box.answer == 0) {
            found = &box;
            return true;
        }
    }
    return false;
}

bool GetOpenMessageBox(MessageBoxRecord& box)
{
    BoxState& state = Boxes();
    std::lock_guard<std::mutex> guard(state.lock);
    MessageBoxRecord* open = nullptr;
    if (!FindOpen(state, open))
        return false;
    box = *open;
    return true;
}

bool WaitForMessageBox(MessageBoxRecord& box, DWORD timeoutMs)
{
    BoxState& state = Boxes();
    std::unique_lock<std::mutex> guard(state.lock);
    MessageBoxRecord* open = nullptr;
    bool up = state.changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                     [&] { return FindOpen(state, open); });
    if (up)
        box = *open;
    return up;
}

bool AnswerMessageBox(int answer)
{
    BoxState& state = Boxes();
    {
        std::lock_guard<std::mutex> guard(state.lock);
        MessageBoxRecord* open = nullptr;
        if (!FindOpen(state, open) || answer == 0)
            return false;
        open->answer = answer;
        state.changed.notify_all();
    }
    wce::ui::WakeModalWaiters();
    return true;
}

bool CloseMessageBox()
{
    BoxState& state = Boxes();
    {
        std::lock_guard<std::mutex> guard(state.lock);
        MessageBoxRecord* open = nullptr;
        if (!FindOpen(state, open))
            return false;
        open->answer = wce::ui::SafeAnswer(open->style);
        state.changed.notify_all();
    }
    wce::ui::WakeModalWaiters();
    return true;
}

}  // namespace wce::automation
