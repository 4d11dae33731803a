// See DisplayCheck.h. Only a connection is tried: what the server would say
// to the toolkit later (authorisation, say) is Qt's business.
#include "app/DisplayCheck.h"

#include <QDir>
#include <QLibraryInfo>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace rk::app {

namespace {

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A connect that gives up after two seconds; the file descriptor is closed.
bool connects(int domain, const sockaddr* address, socklen_t length)
{
    const int fd = ::socket(domain, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    bool ok = ::connect(fd, address, length) == 0;
    if (!ok && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        ok = ::poll(&p, 1, 2000) == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    ::close(fd);
    return ok;
}

bool unixSocketAnswers(const std::string& path, bool abstract)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
    return connects(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), length);
}

bool tcpAnswers(const std::string& host, int port)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    bool ok = false;
    for (addrinfo* a = found; a && !ok; a = a->ai_next) ok = connects(a->ai_family, a->ai_addr, a->ai_addrlen);
    ::freeaddrinfo(found);
    return ok;
}

} // namespace

bool x11DisplayAnswers(const std::string& display)
{
    if (display.empty()) return false;
    if (display.front() == '/') return true; // a launcher's socket path: left to Qt
    const size_t colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = display.substr(0, colon);
    int number = -1;
    const char* first = display.data() + colon + 1;
    const char* last = display.data() + display.size();
    if (std::from_chars(first, last, number).ec != std::errc() || number < 0) return false;
    if (host.empty() || host == "unix") {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        return unixSocketAnswers(socket, false) || unixSocketAnswers(socket, true);
    }
    return tcpAnswers(host, 6000 + number);
}

bool waylandDisplayAnswers(const std::string& display, const std::string& runtimeDir)
{
    if (display.empty()) return false;
    if (display.front() == '/') return unixSocketAnswers(display, false);
    if (runtimeDir.empty()) return false;
    return unixSocketAnswers(runtimeDir + "/" + display, false);
}

DisplayChoice chooseDisplay(bool unattended)
{
    const std::string platform = env("QT_QPA_PLATFORM");
    const bool anyWindowSystem = platform.empty();
    if (!anyWindowSystem && platform != "xcb" && platform != "wayland") return DisplayChoice::AsIs;
    const bool x = (anyWindowSystem || platform == "xcb") && x11DisplayAnswers(env("DISPLAY"));
    const bool wayland = (anyWindowSystem || platform == "wayland") &&
                         waylandDisplayAnswers(env("WAYLAND_DISPLAY"), env("XDG_RUNTIME_DIR"));
    if (x || (wayland && !anyWindowSystem)) return DisplayChoice::AsIs;
    // Qt's own choice may be X; Wayland alone is used only where its
    // platform plugin is installed.
    if (wayland && !QDir(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms")
                         .entryList({"libqwayland*.so"}, QDir::Files)
                         .isEmpty())
        return DisplayChoice::Wayland;
    return unattended ? DisplayChoice::Offscreen : DisplayChoice::NoDisplay;
}

std::string noDisplayText()
{
    return "rk_vad2av: Kein Bildschirm erreichbar (DISPLAY bzw. WAYLAND_DISPLAY führt zu keiner Anzeige).\n"
           "Ohne Bildschirm läuft die Übertragung nur unbeaufsichtigt:\n"
           "  rk_vad2av -auto [-nomessage] [-id:KENNUNG] DATENBANK.fdb\n";
}

} // namespace rk::app
