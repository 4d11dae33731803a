// Whether a window can be shown at all, decided before the application
// object exists: Qt ends the process with an abort when its platform cannot
// reach a display, which a calling program must never see.
#pragma once

#include <string>

namespace rk::app {

enum class DisplayChoice {
    AsIs,      // a display answers, or the platform needs none (offscreen, ...)
    Wayland,   // only a Wayland server answers: its platform must be named
    Offscreen, // none answers; an unattended run goes on without a window
    NoDisplay, // none answers and a person would be needed: start-up fails
};

// From QT_QPA_PLATFORM, WAYLAND_DISPLAY (with XDG_RUNTIME_DIR) and DISPLAY:
// for the window-system platforms (none named, "xcb", "wayland") the display
// server's socket is tried.
DisplayChoice chooseDisplay(bool unattended);

// Whether the server named like DISPLAY (":0", "unix:1.0", "host:0") or
// like WAYLAND_DISPLAY answers the protocol's first request within two
// seconds (a server that only accepts the connection does not count).
bool x11DisplayAnswers(const std::string& display);
bool waylandDisplayAnswers(const std::string& display, const std::string& runtimeDir);

// The message for DisplayChoice::NoDisplay (UTF-8), ending in a line break.
std::string noDisplayText();

} // namespace rk::app
