// See DisplayCheck.h. A server that takes the connection but never answers
// (a stopped X server) would keep Qt waiting without limit, so the check
// sends the protocol's first request and waits for any answer: for X the
// connection setup (refused for want of authorisation is an answer too:
// Qt brings the authorisation), for Wayland the registry. What the server
// says is Qt's business.
#include "app/DisplayCheck.h"

#include <QDir>
#include <QLibraryInfo>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string_view>
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

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return int(std::max<long long>(0, left));
}

// Connects, sends `hello` and waits for the first byte of an answer, all
// within two seconds; the file descriptor is closed.
bool answers(int domain, const sockaddr* address, socklen_t length, std::string_view hello)
{
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    const int fd = ::socket(domain, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    bool ok = ::connect(fd, address, length) == 0;
    if (!ok && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        ok = ::poll(&p, 1, millisecondsLeft(deadline)) == 1 &&
             ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    ok = ok && ::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) == ssize_t(hello.size());
    if (ok) {
        pollfd p{fd, POLLIN, 0};
        char byte = 0;
        ok = ::poll(&p, 1, millisecondsLeft(deadline)) == 1 && ::recv(fd, &byte, 1, 0) == 1;
    }
    ::close(fd);
    return ok;
}

// The X connection setup without authorisation: byte order 'l' (least
// significant first), a pad byte, protocol 11.0, no authorisation name or
// data, two pad bytes. The server answers Success, Failed or Authenticate.
constexpr char kX11Setup[12] = {'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
// wl_display (object 1).get_registry (request 1) with the new id 2, 12
// bytes, in the machine's byte order: the server answers with the globals.
std::string waylandGetRegistry()
{
    const uint32_t words[3] = {1, (12u << 16) | 1u, 2};
    return std::string(reinterpret_cast<const char*>(words), sizeof words);
}

bool unixSocketAnswers(const std::string& path, bool abstract, std::string_view hello)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
    return answers(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), length, hello);
}

bool tcpAnswers(const std::string& host, int port)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    bool ok = false;
    const std::string_view hello(kX11Setup, sizeof kX11Setup);
    for (addrinfo* a = found; a && !ok; a = a->ai_next) ok = answers(a->ai_family, a->ai_addr, a->ai_addrlen, hello);
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
        const std::string_view hello(kX11Setup, sizeof kX11Setup);
        return unixSocketAnswers(socket, false, hello) || unixSocketAnswers(socket, true, hello);
    }
    return tcpAnswers(host, 6000 + number);
}

bool waylandDisplayAnswers(const std::string& display, const std::string& runtimeDir)
{
    if (display.empty()) return false;
    const std::string hello = waylandGetRegistry();
    if (display.front() == '/') return unixSocketAnswers(display, false, hello);
    if (runtimeDir.empty()) return false;
    return unixSocketAnswers(runtimeDir + "/" + display, false, hello);
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
