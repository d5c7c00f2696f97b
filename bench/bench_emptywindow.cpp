// SPDX-License-Identifier: GPL-3.0-or-later
// The floor under the main window's cost: an empty Qt window whose only work is a 19 ms timer
// that does nothing, the rhythm at which the size display must run. bench/desktop.sh measures it
// next to quorvel and parecord.

#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Empty window"));
    window.resize(393, 409);
    window.show();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [] {});
    tick.start(19);
    return QApplication::exec();
}
