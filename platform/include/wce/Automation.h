// The automation channel, in-process side: lets tests and scripts see and drive the user interface
// (message boxes, windows, controls) the way a user at the device would.
#pragma once

#include <functional>
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
// unless boxes are set to wait (a desktop or a test does), or the automation socket is on
// (StartAutomationServer): then it stays up until it is answered.
void QueueMessageBoxAnswer(int answer);
void SetMessageBoxesWait(bool wait);
void SetBoxesWaitForAutomation(bool wait);

// The boxes shown so far (answered or up), oldest first.
std::vector<MessageBoxRecord> GetMessageBoxHistory();
// Forgets the history and the queued answers, and stops waiting.
void ResetMessageBoxes();

// The oldest box that is up; false when none is. WaitForMessageBox waits up to timeoutMs for one.
bool GetOpenMessageBox(MessageBoxRecord& box);
bool WaitForMessageBox(MessageBoxRecord& box, DWORD timeoutMs);
// Answers the oldest box that is up; false when none is.
bool AnswerMessageBox(int answer);
// Closes the oldest box that is up with the answer that changes nothing (IDNO for Yes/No, IDCANCEL
// where the box has Cancel, IDOK for OK alone), as closing its window does; false when none is.
bool CloseMessageBox();

// A popup menu as it was shown: its items after the owner's WM_INITMENUPOPUP, and the choice.
struct PopupItem {
    UINT id = 0;
    std::u16string label;   // without the '&' marks
    UINT state = 0;         // MF_GRAYED, MF_CHECKED
    bool separator = false;
    bool popup = false;
};
struct PopupRecord {
    HMENU menu = nullptr;
    HWND owner = nullptr;
    std::vector<PopupItem> items;
    UINT chosen = 0;        // 0 when dismissed
};

// Choices for the next popups, in order (0 dismisses). A popup with no queued choice is dismissed
// unless popups are set to wait, in which case its window stays up on the screen for the user
// (or for a choice queued while it is up); a choice of a grayed item or of an id the popup does
// not hold dismisses it too. The desktop display sets popups to wait.
void QueueMenuChoice(UINT commandId);
void SetPopupsWait(bool wait);
// With the automation socket on, popups wait as on a desktop (StartAutomationServer sets this).
void SetPopupsWaitForAutomation(bool wait);
std::vector<PopupRecord> GetPopupHistory();
// Forgets the history and the queued choices, stops waiting and closes the popups that are up.
void ResetPopups();

// A launch through ShellExecuteExW, recorded whether or not a desktop opened it.
struct LaunchRecord {
    std::u16string verb;
    std::u16string file;
    std::u16string parameters;
    std::u16string directory;
    int show = 0;
    std::u16string documentPath;   // the device path of the document opened (viewer parameter or file)
    std::u16string anchor;         // the part after '#', without it
};
std::vector<LaunchRecord> GetLaunchHistory();
void ResetLaunches();

// Writes the device screen as a PNG file at a host path; false (and no file) when it cannot.
bool SaveScreenshot(const char* hostPath);

// Paints every window that is waiting to be painted, on the calling thread (its own windows).
void PaintPendingWindows();

// Runs work on the thread that owns hwnd (handled while that thread waits for messages) and
// returns when it is done; false when the window is gone.
bool RunOnWindowThread(HWND hwnd, const std::function<void()>& work);

// Starts the automation socket of this process (also started at load when WCE_AUTOMATION=1);
// the wce-auto tool talks to it. False when the socket cannot be made.
bool StartAutomationServer();
// Runs one automation command line (as wce-auto sends it) and returns the reply text.
std::string RunAutomationCommand(const std::string& line);

// Moves the message-loop clock forward: timers fall due without waiting in real time.
void AdvanceUiClock(DWORD milliseconds);

}  // namespace wce::automation
