#include "form8.h"
#include "lifetime.h"
#include "services.h"
#include "termination.h"

#include <QApplication>

int main(int argc, char** argv)
{
    quorvel::platform::prepareDisplayConnection();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    // The program ends when its last loaded window is unloaded, visible or not (the main window may
    // be hidden in the tray), not when the last visible one closes.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&quorvel::shell::LoadedWindows::instance(), &quorvel::shell::LoadedWindows::lastUnloaded, &app,
                     &QCoreApplication::quit, Qt::QueuedConnection);
    // A termination signal or the end of the desktop session: the windows still open close in order,
    // and the main window's shutdown writes the settings.
    quorvel::platform::quitOnTerminationSignals();
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    auto services = quorvel::platform::systemServices();
    quorvel::ui::Form8::load(services);
    const int status = QApplication::exec();
    for (QWidget* window : QApplication::topLevelWidgets())
        window->close();
    services.processes->waitForAll(120000);
    return status;
}
