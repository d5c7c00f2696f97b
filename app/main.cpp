#include "capturecommands.h"
#include "mci.h"

#include <QApplication>
#include <QWidget>

using namespace quorvel;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Quorvel"));
    platform::mciSendString(recorder::command::closeAll, nullptr, 0);
    platform::mciSendString(recorder::command::open, nullptr, 0);
    window.show();
    const int status = app.exec();
    platform::mciSendString(recorder::command::close, nullptr, 0);
    return status;
}
