// The application's error display. Every handler runs its body through
// guarded(), so an error is caught in our own frame (never unwound through
// Qt's) and shown; the program then goes on with the next event.
//
//   connect(button, &QPushButton::clicked, [this] { guarded([this] { onStartClicked(); }); });
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace rk::app {

// Runs fn; an exception escaping it is shown by showErrorBox and swallowed.
void guarded(const std::function<void()>& fn);

// Shows error's message with the period rule, titled "RK_VAD2AV", error icon,
// one OK; waits for OK even after the end was requested. rk::EAbort is dropped.
void showErrorBox(const std::exception& error);

// The period rule: a non-empty text whose last byte is above "." gets ".".
std::string errorDisplayText(const std::string& message);

// The box for an error that escapes start-up, titled "Anwendungsfehler":
// "Exception <kind> in Modul <module> bei <address>.\r\n<message><.>\r\n";
// the address in at least eight upper-case hex digits, the period when the
// message is non-empty and does not end in ".". The caller then exits with 1.
std::string startupErrorText(const std::string& kindName, const std::string& module, const void* address,
                             const std::string& message);
void showStartupErrorBox(const std::exception& error);

// The kind name a user sees for an error: rk::Exception::kindName(), else
// the demangled C++ type.
std::string errorKindName(const std::exception& error);

} // namespace rk::app
