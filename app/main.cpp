#include "form8.h"
#include "services.h"
#include "termination.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The window repaints two small text boxes a second while recording. Through X shared memory
    // each repaint first waits for the X server to be done with the last one, a round trip and
    // two wake-ups; sent over the connection, a text box is a few kilobytes and nothing waits.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
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
