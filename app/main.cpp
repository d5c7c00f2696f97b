#include "form8.h"
#include "services.h"
#include "termination.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    quorvel::platform::quitOnTerminationSignals();
    auto services = quorvel::platform::systemServices();
    quorvel::ui::Form8::load(services);
    // The program ends when its last window has closed (the main window may be hidden in the
    // tray meanwhile), or on a termination signal: then the windows still open close in order.
    const int status = QApplication::exec();
    for (QWidget* window : QApplication::topLevelWidgets())
        window->close();
    services.processes->waitForAll(120000);
    return status;
}
