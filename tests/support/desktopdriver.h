// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

class QWidget;

namespace quorvel::test {

// Drives the test X display from outside, as a user would, through xdotool.
bool xdotool(const QStringList& arguments);
QString xdotoolOutput(const QStringList& arguments);
bool clickAt(QPoint global, int button = 1);
bool clickOn(QWidget* widget);
bool typeText(const QString& text);

// A top-level window on the display.
struct XWindow
{
    QString id;
    QRect geometry;
};

// The visible windows whose title matches the pattern (a regular expression), oldest first.
QList<XWindow> visibleWindows(const QString& titlePattern);
// Waits until exactly `count` such windows are shown; the list then, or an empty one on time-out.
QList<XWindow> waitForWindows(const QString& titlePattern, int count, int timeoutMs);
// Waits until no such window is shown.
bool waitUntilGone(const QString& titlePattern, int timeoutMs);
// Gives a window the keyboard and presses the keys ("Return", "ctrl+c").
bool pressKeys(const XWindow& window, const QString& keys);

// Where the notification area shows the program's icon, and the tray menu's Exit at its popup.
constexpr QPoint trayIcon(11, 15);
constexpr QPoint trayExitItem(50, 26);
// A message box's text, as a user copies it: a triple click selects it all. Empty when nothing
// was selected within 5 s.
QString messageText(const XWindow& box);

// The message shown beside the main window (titled alike), read and closed with Return. Empty
// when none came within the time.
QString takeMessage(const QString& titlePattern, const XWindow& main, int timeoutMs);

// A home for the built program under `home`: the folders drive, state, config and app, the
// program copied into app/, and the environment pointed at them. False when one can't be made.
bool prepareProgramHome(const QString& home);

// The tray menu pops up at the cursor, over the icon.
bool trayMenuShown();
// A right click on the icon, and Exit once the menu is there.
bool exitFromTray();

} // namespace quorvel::test
