// The automation channel, in-process side: lets tests and scripts see and drive the user interface
// (message boxes, windows, controls) the way a user at the device would.
#pragma once

#include <string>
#include <vector>

#include "WinTypes.h"

namespace wce::automation {

// One message box, as it was shown.
struct MessageBoxRecord {
    std::u16string text;
    std::u16string caption;
    UINT style = 0;
    HWND owner = nullptr;
    DWORD threadId = 0;   // the thread that called MessageBoxW
    int answer = 0;       // 0 while the box is up
};

// Answers for the next boxes, in order. A box with no queued answer is answered IDOK at once
// unless boxes are set to wait, in which case it stays up until AnswerMessageBox.
void QueueMessageBoxAnswer(int answer);
void SetMessageBoxesWait(bool wait);

// The boxes shown so far (answered or up), oldest first.
std::vector<MessageBoxRecord> GetMessageBoxHistory();
// Forgets the history and the queued answers, and stops waiting.
void ResetMessageBoxes();

// The oldest box that is up; false when none is. WaitForMessageBox waits up to timeoutMs for one.
bool GetOpenMessageBox(MessageBoxRecord& box);
bool WaitForMessageBox(MessageBoxRecord& box, DWORD timeoutMs);
// Answers the oldest box that is up; false when none is.
bool AnswerMessageBox(int answer);

// Moves the message-loop clock forward: timers fall due without waiting in real time.
void AdvanceUiClock(DWORD milliseconds);

}  // namespace wce::automation
