// The error display and the start-up error box. Both use the program's own
// box builder (the desktop has no standard box to copy), with the error icon.
#include "app/shell/ErrorDisplay.h"

#include "app/shell/Application.h"
#include "app/shell/Headless.h"
#include "app/shell/MessageForm.h"
#include "db/common/Ansi.h"
#include "db/common/Exception.h"

#include <QApplication>
#include <QFileInfo>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <filesystem>
#include <memory>
#include <typeinfo>

namespace rk::app {

namespace {

std::string messageOf(const std::exception& error)
{
    if (const auto* own = dynamic_cast<const rk::Exception*>(&error)) return own->message();
    return error.what();
}

std::string programFileName()
{
    if (QCoreApplication::instance()) {
        const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        if (!name.isEmpty()) return name.toStdString();
    }
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).filename().string();
}

// Shows a box that waits for OK even once the end is requested.
void showErrorKindBox(const std::string& title, const std::string& text, bool onActiveScreen)
{
    if (!QCoreApplication::instance()) { // nothing to show it in: keep it in the log
        detail::logBoxIfHeadless(title, text);
        return;
    }
    MessageForm box(title, text, QStyle::SP_MessageBoxCritical, {"OK"}, QApplication::activeWindow());
    box.setOnActiveScreen(onActiveScreen);
    box.execute(false);
}

} // namespace

void guarded(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const std::exception& error) {
        showErrorBox(error);
    } catch (...) {
        showErrorBox(rk::Exception(ansi("Unbekannter Fehler")));
    }
}

std::string errorDisplayText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

void showErrorBox(const std::exception& error)
{
    if (QCoreApplication::instance())
        if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    if (dynamic_cast<const rk::EAbort*>(&error)) return;
    std::string text = errorDisplayText(messageOf(error));
    if (const auto* own = dynamic_cast<const rk::Exception*>(&error); own && !own->place().empty()) {
        text += "\n" + own->place();
        // Where nobody is at the screen the box itself is a line on standard
        // error; otherwise the place goes there on its own, for a caller's log.
        if (QCoreApplication::instance() && QGuiApplication::platformName() != QLatin1String("offscreen"))
            writeStderrLine(own->place());
    }
    showErrorKindBox(Application::title(), text, true);
}

std::string errorKindName(const std::exception& error)
{
    if (const auto* own = dynamic_cast<const rk::Exception*>(&error)) return own->kindName();
    const char* mangled = typeid(error).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && name ? name.get() : mangled;
}

std::string startupErrorText(const std::string& kindName, const std::string& module, const void* address,
                             const std::string& message)
{
    char addressText[2 * sizeof(void*) + 1];
    std::snprintf(addressText, sizeof addressText, "%08" PRIXPTR, reinterpret_cast<std::uintptr_t>(address));
    const std::string period = !message.empty() && message.back() != '.' ? "." : "";
    return ansiFormat("Exception %s in Modul %s bei %s.\r\n%s%s\r\n", kindName, module, std::string(addressText),
                      message, period);
}

void showStartupErrorBox(const std::exception& error)
{
    // C++ errors carry no code address; the caller's return address is the
    // nearest code place we know.
    const void* address = __builtin_extract_return_addr(__builtin_return_address(0));
    showErrorKindBox(ansi("Anwendungsfehler"),
                     startupErrorText(errorKindName(error), programFileName(), address, messageOf(error)), false);
}

} // namespace rk::app
