#include "form8.h"
#include "services.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    auto services = quorvel::platform::systemServices();
    quorvel::ui::Form8::load(services);
    // The program ends when its last window has closed; the main window may start hidden in
    // the tray, so closing none of them keeps it running.
    return QApplication::exec();
}
