// SPDX-License-Identifier: GPL-3.0-or-later
#include "form8.h"
#include "lifetime.h"
#include "mci.h"
#include "services.h"
#include "specialfolders.h"
#include "termination.h"

#include <QApplication>
#include <QEvent>

#include <cstdio>
#include <string>
#include <string_view>

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
    // The two options a user tries first answer without a display; any other argument is ignored.
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--version") {
            std::printf("Quorvel %s\n"
                        "Copyright 2026 The Quorvel developers.\n"
                        "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
                        "This is free software: you are free to change and redistribute it.\n"
                        "There is NO WARRANTY, to the extent permitted by law.\n",
                        QUORVEL_VERSION);
            return 0;
        }
        if (argument == "--help") {
            std::printf("Usage: quorvel [--help | --version]\n"
                        "Records sound and saves it as WAV or, through lame, as MP3. Every other\n"
                        "argument is ignored; F1 in any of its windows opens the help.\n\n"
                        "  --help     print this and end\n"
                        "  --version  print the version and the licence, and end\n");
            return 0;
        }
    }
    if (const std::string why = quorvel::platform::displayProblem(); !why.empty()) {
        std::fprintf(stderr, "quorvel: %s\n", why.c_str());
        return 1;
    }
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
