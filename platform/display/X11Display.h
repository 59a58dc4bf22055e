// The desktop window that shows the device screen (Xlib). It starts by itself when the library
// loads and a desktop is there; tests start and stop it on a display of their own.
#pragma once

namespace wce::display {

// Opens the device screen on an X display (null: $DISPLAY) and shows it from a thread of its own
// until StopX11Display or until the user closes the window. False, with nothing started, when the
// display cannot be opened or one is already running.
bool StartX11Display(const char* displayName);

// Closes the window and the connection and waits for the display's thread to end.
void StopX11Display();

// True while the window is up (false again once the user closed it).
bool IsX11DisplayRunning();

}  // namespace wce::display
