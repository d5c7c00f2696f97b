// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopdriver.h"

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QWidget>

namespace quorvel::test {

bool xdotool(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

QString xdotoolOutput(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(15000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool clickAt(QPoint global, int button)
{
    return xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()),
                    QStringLiteral("click"), QString::number(button)});
}

bool clickOn(QWidget* widget)
{
    return clickAt(widget->mapToGlobal(widget->rect().center()));
}

bool typeText(const QString& text)
{
    return xdotool({QStringLiteral("type"), text});
}

QList<XWindow> visibleWindows(const QString& titlePattern)
{
    QList<XWindow> windows;
    const QString ids = xdotoolOutput(
        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), titlePattern});
    for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString shell = xdotoolOutput({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id});
        int values[4] = {-1, -1, -1, -1};
        const char* keys[4] = {"X", "Y", "WIDTH", "HEIGHT"};
        for (const QString& line : shell.split(QLatin1Char('\n'))) {
            for (int k = 0; k < 4; ++k) {
                if (line.startsWith(QLatin1String(keys[k]) + QLatin1Char('=')))
                    values[k] = line.section(QLatin1Char('='), 1).toInt();
            }
        }
        windows.push_back({id, QRect(values[0], values[1], values[2], values[3])});
    }
    return windows;
}

QList<XWindow> waitForWindows(const QString& titlePattern, int count, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < timeoutMs) {
        const QList<XWindow> windows = visibleWindows(titlePattern);
        if (windows.size() == count)
            return windows;
        QTest::qWait(50);
    }
    return {};
}

bool waitUntilGone(const QString& titlePattern, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!visibleWindows(titlePattern).isEmpty()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QTest::qWait(50);
    }
    return true;
}

bool pressKeys(const XWindow& window, const QString& keys)
{
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window.id})
        && xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
}

} // namespace quorvel::test

namespace quorvel::test {

QString messageText(const XWindow& box)
{
    QGuiApplication::clipboard()->clear(QClipboard::Selection);
    xdotool({QStringLiteral("mousemove"), QString::number(box.geometry.x() + 100),
             QString::number(box.geometry.y() + 20), QStringLiteral("click"), QStringLiteral("--repeat"),
             QStringLiteral("3"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("1")});
    QElapsedTimer waited;
    waited.start();
    while (QGuiApplication::clipboard()->text(QClipboard::Selection).isEmpty() && waited.elapsed() < 5000)
        QTest::qWait(50);
    return QGuiApplication::clipboard()->text(QClipboard::Selection);
}

QString takeMessage(const QString& titlePattern, const XWindow& main, int timeoutMs)
{
    const QList<XWindow> both = waitForWindows(titlePattern, 2, timeoutMs);
    if (both.isEmpty())
        return {};
    // The newer of the two; a message shown at start-up may appear with the main window.
    const XWindow box = both.last().id == main.id ? both.first() : both.last();
    const QString text = messageText(box);
    pressKeys(box, QStringLiteral("Return"));
    waitForWindows(titlePattern, 1, 5000);
    return text;
}

bool prepareProgramHome(const QString& home)
{
    const QDir dir(home);
    for (const char* folder : {"drive", "state", "config", "app"}) {
        if (!dir.mkpath(QLatin1String(folder)))
            return false;
    }
    qputenv("QUORVEL_DRIVE_C", QFile::encodeName(dir.filePath(QStringLiteral("drive"))));
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("state"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    return QFile::copy(QStringLiteral(QUORVEL_APP_DIR "/quorvel"), dir.filePath(QStringLiteral("app/quorvel")));
}

bool trayMenuShown()
{
    const QList<XWindow> windows = visibleWindows(QString());
    return std::any_of(windows.begin(), windows.end(),
                       [](const XWindow& w) { return w.geometry.topLeft() == trayIcon && w.geometry.height() > 100; });
}

bool exitFromTray()
{
    if (!clickAt(trayIcon, 3))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (!trayMenuShown()) {
        if (waited.elapsed() > 5000)
            return false;
        QTest::qWait(20);
    }
    return clickAt(trayExitItem);
}

} // namespace quorvel::test
