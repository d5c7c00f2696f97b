// SPDX-License-Identifier: GPL-3.0-or-later
#include "termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quorvel::platform {

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

} // namespace

void prepareDisplayConnection()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
}

namespace {

// Something listens on this local socket (a name starting with '@' is in the abstract space).
bool answers(const std::string& name)
{
    sockaddr_un address {};
    if (name.empty() || name.size() >= sizeof address.sun_path)
        return true;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.data(), name.size());
    if (name.front() == '@')
        address.sun_path[0] = '\0';
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return true;
    const socklen_t length
        = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + (name.front() == '@' ? 0 : 1));
    const bool refused = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0
        && (errno == ENOENT || errno == ECONNREFUSED);
    ::close(fd);
    return !refused;
}

} // namespace

std::string displayProblem()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return {}; // a platform chosen by hand: Qt knows best
    const std::string wayland = qEnvironmentVariable("WAYLAND_DISPLAY").toStdString();
    if (!wayland.empty()) {
        const std::string runtime = qEnvironmentVariable("XDG_RUNTIME_DIR").toStdString();
        if (answers(wayland.front() == '/' ? wayland : runtime + "/" + wayland))
            return {};
    }
    const std::string x = qEnvironmentVariable("DISPLAY").toStdString();
    if (!x.empty()) {
        // A local display ":N" or ":N.S" listens on /tmp/.X11-unix/XN, or on the same name in the
        // abstract space; any other (a host's, a socket path) is left to the X library.
        if (x.front() != ':')
            return {};
        const std::string number = x.substr(1, x.find('.') == std::string::npos ? std::string::npos : x.find('.') - 1);
        const std::string socket = "/tmp/.X11-unix/X" + number;
        if (answers(socket) || answers("@" + socket))
            return {};
        return "the display " + x + " does not answer; no window can be shown";
    }
    if (!wayland.empty())
        return "the Wayland display " + wayland + " does not answer; no window can be shown";
    return "no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)";
}

void quitOnTerminationSignals(std::function<void()> first)
{
    if (g_signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [first = std::move(first)] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[0], &byte, 1);
        if (first)
            first();
        QCoreApplication::quit();
    });
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

} // namespace quorvel::platform
