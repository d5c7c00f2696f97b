#include "desktopdriver.h"

#include <QElapsedTimer>
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
