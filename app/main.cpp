// SPDX-License-Identifier: GPL-3.0-or-later
#include "form8.h"
#include "lifetime.h"
#include "mci.h"
#include "services.h"
#include "specialfolders.h"
#include "termination.h"

#include <QApplication>
#include <QEvent>

namespace {

// An ending the user did not choose (a signal, the end of the session) quits the program with the
// main window still loaded: its recording is then kept for the next start, not discarded.
class KeepRecordingsOnOutsideQuit final : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Quit && quorvel::ui::Form8::current())
            quorvel::platform::keepRecordingsOnClose();
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    quorvel::platform::prepareDisplayConnection();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    // The desktop matches the windows to the installed menu entry by this (Wayland's app id).
    QGuiApplication::setDesktopFileName(QString::fromLatin1(quorvel::platform::desktopId));
    // A program that ends without closing its device (the display connection lost) keeps the take.
    quorvel::platform::keepRecordingsAtExit();
    // The program ends when its last loaded window is unloaded, visible or not (the main window may
    // be hidden in the tray), not when the last visible one closes.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&quorvel::shell::LoadedWindows::instance(), &quorvel::shell::LoadedWindows::lastUnloaded, &app,
                     &QCoreApplication::quit, Qt::QueuedConnection);
    KeepRecordingsOnOutsideQuit outsideQuit;
    app.installEventFilter(&outsideQuit);
    // A termination signal or the end of the desktop session: the windows still open close in order,
    // the main window's shutdown writes the settings, and the recording is kept.
    quorvel::platform::quitOnTerminationSignals([] {
        if (quorvel::ui::Form8::current())
            quorvel::platform::keepRecordingsOnClose();
    });
    // The session manager asks for the data to be safe, at a log-out or at a mere checkpoint: the
    // recording reaches the disk, and nothing ends.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [] { quorvel::platform::syncRecordings(); });
    auto services = quorvel::platform::systemServices();
    quorvel::ui::Form8::load(services);
    const int status = QApplication::exec();
    for (QWidget* window : QApplication::topLevelWidgets())
        window->close();
    // Encoders still running finish by themselves.
    services.processes->releaseAll();
    return status;
}
