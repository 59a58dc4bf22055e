// MessageBoxW: records every box and answers it from the automation queue, or waits for an answer
// while the calling thread keeps handling the messages sent to it.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "wce/Automation.h"
#include "wce/WinUser.h"
#include "ModalWait.h"

namespace {

struct BoxState {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<int> answers;                               // queued by automation
    std::deque<wce::automation::MessageBoxRecord> history; // every box, oldest first
    bool wait = false;
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
        return state.wait ? 0 : IDOK;
    int answer = state.answers.front();
    state.answers.pop_front();
    return answer;
}

}  // namespace

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
    wce::ui::ModalWaitUntil(hWnd, [&state, index] {
        std::lock_guard<std::mutex> g(state.lock);
        return state.history.size() > index && state.history[index].answer != 0;
    });
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

}  // namespace wce::automation
