// The program's own message boxes: one "OK" button, a title and an icon that
// follow from the kind. The window may call showMessageBox from any handler;
// it returns when the box is gone (or at once once the end is requested).
#pragma once

#include <string>

namespace rk::app {

enum class MsgKind { Information, Error }; // "Informationen" / "Fehler"

// Results of a box.
inline constexpr int mrOk = 1;     // OK pressed: click, Enter, Escape, Space
inline constexpr int mrCancel = 2; // system close command, or the end was requested

// Shows text (Windows-1252) modally and returns mrOk or mrCancel. After
// Application::terminate() it returns mrCancel at once without waiting.
int showMessageBox(const std::string& text, MsgKind kind);

} // namespace rk::app
