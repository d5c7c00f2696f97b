// SPDX-License-Identifier: GPL-3.0-or-later
#include "termination.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCoreApplication>
#include <QMetaObject>
#include <QWidget>

#include <utility>

#include <windows.h>

namespace quorvel::platform {

namespace {

std::function<void()> g_first;

void quitInOrder()
{
    if (auto first = std::exchange(g_first, {}))
        first();
    QCoreApplication::quit();
}

// The session ends (log-off, shutdown): Windows ends the process as soon as WM_ENDSESSION has
// been answered, so the windows' shutdown runs before the answer, as after a quit on Linux.
class SessionEndFilter final : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override
    {
        if (type != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_QUERYENDSESSION) {
            *result = TRUE; // nothing holds the session up: the take is kept either way
            return true;
        }
        if (msg->message == WM_ENDSESSION && msg->wParam) {
            quitInOrder();
            for (QWidget* window : QApplication::topLevelWidgets())
                window->close();
            *result = 0;
            return true;
        }
        return false;
    }
};

BOOL WINAPI onConsoleEvent(DWORD)
{
    // Ctrl+C, a closed console, a log-off seen by a console: the quit is made on the event loop.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &quitInOrder, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

void prepareDisplayConnection() { }

std::string displayProblem()
{
    return {};
}

void quitOnTerminationSignals(std::function<void()> first)
{
    static SessionEndFilter filter;
    g_first = std::move(first);
    QCoreApplication::instance()->installNativeEventFilter(&filter);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

} // namespace quorvel::platform
